#pragma once

// The platform's owned, immutable string reference, as hardware text properties return it: the
// reader owns the reference and releases it. It may be null.

#include <memory>
#include <string>
#include <string_view>

struct OpaqueCFString {
  std::string utf8;
};
using CFStringRef = const OpaqueCFString*;

inline CFStringRef CFStringCreateWithUTF8(std::string_view text) {
  return new OpaqueCFString{std::string(text)};
}
inline void CFRelease(CFStringRef string) {
  delete string;
}

struct CFStringReleaser {
  void operator()(CFStringRef string) const { CFRelease(string); }
};
using ScopedCFString = std::unique_ptr<const OpaqueCFString, CFStringReleaser>;
