#pragma once

// Orders device names for display: letter case is ignored and the rest follows the collation of
// a locale. Names are folded to lower case with the full Unicode case mapping, whatever the locale
// (so "Élan" and "élan" are equal even under LANG=C), and then compared with the locale's collate
// facet; with the classic locale that is code-point order of the folded names, so "B…" still
// sorts before "u…". The sort is stable, so names that compare equal keep the order they came in.

#include <locale>
#include <string>
#include <string_view>
#include <vector>

#include "devices/AudioInputDevice.h"

class DeviceNameCollation {
 public:
  // The user's current locale, or the classic one when the user's cannot be created.
  static DeviceNameCollation forUserLocale();

  explicit DeviceNameCollation(std::locale locale) : locale_(std::move(locale)) {}

  // Negative, zero or positive as `left` orders before, with, or after `right`.
  int compare(std::string_view left, std::string_view right) const;
  void sortByName(std::vector<AudioInputDevice>& devices) const;
  // Whether `name` contains `word`, letter case folded.
  bool containsIgnoringCase(std::string_view name, std::string_view word) const {
    return key(name).find(key(word)) != std::wstring::npos;
  }

 private:
  // The UTF-8 name decoded (invalid bytes become U+FFFD) and folded to lower case.
  std::wstring key(std::string_view name) const;
  int compareKeys(const std::wstring& left, const std::wstring& right) const;

  std::locale locale_;
};
