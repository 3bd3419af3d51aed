#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace marlinet {

// One shortcut → phrase pair: the unit the whole program works with.
// Two replacements are equal when both texts are canonically equivalent
// (no case folding); the hash agrees with that.
struct Replacement {
  std::string shortcut;
  std::string phrase;

  friend bool operator==(const Replacement& a, const Replacement& b);
};

struct ReplacementHash {
  std::size_t operator()(const Replacement& replacement) const;
};

}  // namespace marlinet

template <>
struct std::hash<marlinet::Replacement> : marlinet::ReplacementHash {};
