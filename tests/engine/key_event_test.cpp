#include "engine/key_event.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace marlinet {
namespace {

using M = KeyModifiers;

constexpr std::uint16_t kKeyA = 0;
constexpr std::uint16_t kKeyE = 14;

TEST(TypedInput, RulesApplyInOrder) {
  const TypedInput reset = TypedInput::reset();
  const auto text = [](std::string s) { return TypedInput::typed(std::move(s)); };
  const struct {
    std::uint16_t keyCode;
    KeyModifiers modifiers;
    std::string characters;
    TypedInput expected;
  } cases[] = {
      // Control and Command win over every key-specific rule.
      {keycode::returnKey, M::command, "\r", reset}, {keycode::deleteKey, M::control, "\x7f", reset},
      // Return and Enter always type a carriage return, whatever characters say.
      {keycode::keypadEnter, M{M::option, M::function}, "\x03", text("\r")}, {keycode::returnKey, M{}, "", text("\r")},
      {keycode::tab, M{}, "\t", text("\t")}, {keycode::tab, M::shift, "\x19", reset},
      {keycode::deleteKey, M{}, "\x7f", TypedInput::deleteBackward()}, {keycode::deleteKey, M::option, "\x7f", reset},
      // Keys that move the caret reset whatever they produce.
      {keycode::escape, M::shift, "a", reset}, {126 /* up arrow */, M{}, "a", reset},
      // A dead key's first press produces nothing and must not disturb the buffer.
      {kKeyE, M::option, "", text("")},
      // Control characters, DEL and the function-key private-use range reset,
      // even after a letter or an ill-formed byte.
      {kKeyA, M{}, std::string("\0", 1), reset}, {kKeyA, M{}, "\x7f", reset}, {kKeyA, M{}, "\uF8FF", reset},
      {kKeyA, M{}, "ab\x01", reset}, {kKeyA, M{}, "a\uF704", reset}, {kKeyA, M{}, "\xff\x01", reset},
      {kKeyA, M{}, "\xe2\x01", reset}, {kKeyA, M{}, "\xc3\x7f", reset}, {kKeyA, M{}, "\xef\x9c\uF704", reset},
      // Just outside those ranges is ordinary text, and so is an overlong NUL.
      {kKeyA, M{}, " ", text(" ")}, {kKeyA, M{}, "\u0080", text("\u0080")}, {kKeyA, M{}, "\uF6FF", text("\uF6FF")},
      {kKeyA, M{}, "\uF900", text("\uF900")}, {kKeyA, M{}, "\xc0\x80", text("\xc0\x80")},
      // Compositions pass through untouched, even decomposed.
      {kKeyE, M{}, "e\u0301", text("e\u0301")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((KeyEvent{Phase::down, c.keyCode, c.modifiers, c.characters, nullptr}.typedInput()), c.expected)
        << c.keyCode << " " << ::testing::PrintToString(c.characters);
  }
}

}  // namespace
}  // namespace marlinet
