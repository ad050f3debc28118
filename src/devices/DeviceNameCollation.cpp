#include "devices/DeviceNameCollation.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes one code point at `at` and advances past it; malformed input yields U+FFFD for one byte.
char32_t decodeUTF8(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  struct Form {
    int continuation;
    char32_t payload;
    char32_t minimum;  // smaller values are overlong encodings
  };
  Form form{};
  if ((lead & 0xE0) == 0xC0) {
    form = {1, lead & 0x1Fu, 0x80};
  } else if ((lead & 0xF0) == 0xE0) {
    form = {2, lead & 0x0Fu, 0x800};
  } else if ((lead & 0xF8) == 0xF0) {
    form = {3, lead & 0x07u, 0x10000};
  } else {
    return kReplacementCharacter;
  }
  const int continuation = form.continuation;
  char32_t codePoint = form.payload;
  if (text.size() - at < static_cast<std::size_t>(continuation)) return kReplacementCharacter;
  for (int index = 0; index < continuation; ++index) {
    const auto next = static_cast<unsigned char>(text[at + index]);
    if ((next & 0xC0) != 0x80) return kReplacementCharacter;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < form.minimum || codePoint > 0x10FFFF ||
      (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    return kReplacementCharacter;
  }
  at += continuation;
  return codePoint;
}

// The classic locale folds only ASCII; C.UTF-8 carries the Unicode case mapping and ships with
// the C library, so folding does not depend on which locales the user has or has chosen.
const std::ctype<wchar_t>& unicodeCaseMapping() {
  static const std::locale folding = [] {
    try {
      return std::locale("C.UTF-8");
    } catch (const std::runtime_error&) {
      return std::locale::classic();
    }
  }();
  return std::use_facet<std::ctype<wchar_t>>(folding);
}

}  // namespace

DeviceNameCollation DeviceNameCollation::forUserLocale() {
  try {
    return DeviceNameCollation(std::locale(""));
  } catch (const std::runtime_error&) {
    return DeviceNameCollation(std::locale::classic());
  }
}

std::wstring DeviceNameCollation::key(std::string_view name) const {
  std::wstring folded;
  for (std::size_t at = 0; at < name.size();) {
    folded.push_back(static_cast<wchar_t>(decodeUTF8(name, at)));
  }
  unicodeCaseMapping().tolower(folded.data(), folded.data() + folded.size());
  return folded;
}

int DeviceNameCollation::compareKeys(const std::wstring& left, const std::wstring& right) const {
  return std::use_facet<std::collate<wchar_t>>(locale_).compare(
      left.data(), left.data() + left.size(), right.data(), right.data() + right.size());
}

int DeviceNameCollation::compare(std::string_view left, std::string_view right) const {
  return compareKeys(key(left), key(right));
}

void DeviceNameCollation::sortByName(std::vector<AudioInputDevice>& devices) const {
  std::vector<std::wstring> keys;
  keys.reserve(devices.size());
  for (const AudioInputDevice& device : devices) keys.push_back(key(device.name));

  std::vector<std::size_t> order(devices.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
    return compareKeys(keys[left], keys[right]) < 0;
  });

  std::vector<AudioInputDevice> sorted;
  sorted.reserve(devices.size());
  for (const std::size_t index : order) sorted.push_back(std::move(devices[index]));
  devices = std::move(sorted);
}
