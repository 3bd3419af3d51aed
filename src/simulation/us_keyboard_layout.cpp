#include "simulation/us_keyboard_layout.h"

#include <array>

namespace marlinet::simulation {
namespace {

struct Row {
  std::uint16_t keyCode;
  std::string_view plain;
  std::string_view shifted;
};

constexpr std::array<Row, 53> rows{{
    {0, "a", "A"},   {1, "s", "S"},   {2, "d", "D"},   {3, "f", "F"},   {4, "h", "H"},   {5, "g", "G"},
    {6, "z", "Z"},   {7, "x", "X"},   {8, "c", "C"},   {9, "v", "V"},   {11, "b", "B"},  {12, "q", "Q"},
    {13, "w", "W"},  {14, "e", "E"},  {15, "r", "R"},  {16, "y", "Y"},  {17, "t", "T"},  {18, "1", "!"},
    {19, "2", "@"},  {20, "3", "#"},  {21, "4", "$"},  {22, "6", "^"},  {23, "5", "%"},  {24, "=", "+"},
    {25, "9", "("},  {26, "7", "&"},  {27, "-", "_"},  {28, "8", "*"},  {29, "0", ")"},  {30, "]", "}"},
    {31, "o", "O"},  {32, "u", "U"},  {33, "[", "{"},  {34, "i", "I"},  {35, "p", "P"},  {37, "l", "L"},
    {38, "j", "J"},  {39, "'", "\""}, {40, "k", "K"},  {41, ";", ":"},  {42, "\\", "|"}, {43, ",", "<"},
    {44, "/", "?"},  {45, "n", "N"},  {46, "m", "M"},  {47, ".", ">"},  {49, " ", " "},  {50, "`", "~"},
    {36, "\r", "\r"}, {48, "\t", "\t"}, {51, "\x7f", "\x7f"}, {53, "\x1b", "\x1b"}, {76, "\x03", "\x03"},
}};

}  // namespace

std::optional<UsKey> usKeyFor(std::string_view character) {
  if (character == "\n" || character == "\r") return UsKey{36, false};
  if (character == "\x08") return UsKey{51, false};
  for (const Row& row : rows) {
    if (row.plain == character) return UsKey{row.keyCode, false};
  }
  for (const Row& row : rows) {
    if (row.shifted == character) return UsKey{row.keyCode, true};
  }
  return std::nullopt;
}

std::optional<std::string> usCharactersFor(std::uint16_t keyCode, bool shift) {
  for (const Row& row : rows) {
    if (row.keyCode == keyCode) return std::string(shift ? row.shifted : row.plain);
  }
  return std::nullopt;
}

}  // namespace marlinet::simulation
