#pragma once

// Folds field hashes into one, in field order, so that record hashes agree with field-wise
// equality.

#include <cstddef>
#include <functional>
#include <vector>

inline void hashCombine(std::size_t& seed, std::size_t value) {
  seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

template <typename T>
void hashField(std::size_t& seed, const T& field) {
  hashCombine(seed, std::hash<T>{}(field));
}

// Lists hash their length and then each element, so that ["ab"] and ["a", "b"] differ.
template <typename T>
void hashField(std::size_t& seed, const std::vector<T>& elements) {
  hashCombine(seed, elements.size());
  for (const T& element : elements) hashField(seed, element);
}
