#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace marlinet::simulation {

// The US ANSI layout with the platform's virtual key codes.
struct UsKey {
  std::uint16_t keyCode;
  bool shift;
};

// The key (and whether shift is needed) that types `character`; none when the
// layout has no such key. "\n" and "\r" are Return, "\t" Tab, U+0008 and
// U+007F Delete.
std::optional<UsKey> usKeyFor(std::string_view character);

// What `keyCode` types with or without shift; none for keys the table lacks.
std::optional<std::string> usCharactersFor(std::uint16_t keyCode, bool shift);

}  // namespace marlinet::simulation
