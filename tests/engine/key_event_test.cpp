#include "engine/key_event.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace marlinet {
namespace {

using M = KeyModifiers;

constexpr std::uint16_t kKeyA = 0;
constexpr std::uint16_t kKeyE = 14;
constexpr std::uint16_t kKeyF5 = 96;

TEST(TypedInput, RulesApplyInOrder) {
  const TypedInput reset = TypedInput::reset();
  const auto text = [](std::string s) { return TypedInput::typed(std::move(s)); };
  const struct {
    const char* name;
    std::uint16_t keyCode;
    KeyModifiers modifiers;
    std::string characters;
    TypedInput expected;
  } cases[] = {
      // Control and Command win over every key-specific rule.
      {"ControlA", kKeyA, M::control, "\x01", reset},
      {"CommandV", keycode::v, M::command, "v", reset},
      {"CommandReturn", keycode::returnKey, M::command, "\r", reset},
      {"ControlDelete", keycode::deleteKey, M::control, "\x7f", reset},
      // Return and Enter always type a carriage return, whatever characters say.
      {"OptionFnEnter", keycode::keypadEnter, M{M::option, M::function}, "\x03", text("\r")},
      {"ReturnWithoutCharacters", keycode::returnKey, M{}, "", text("\r")},
      {"Tab", keycode::tab, M{}, "\t", text("\t")},
      {"ShiftTab", keycode::tab, M::shift, "\x19", reset},
      {"Delete", keycode::deleteKey, M{}, "\x7f", TypedInput::deleteBackward()},
      {"OptionDelete", keycode::deleteKey, M::option, "\x7f", reset},
      // A dead key's first press produces nothing and must not disturb the buffer.
      {"DeadKey", kKeyE, M::option, "", text("")},
      // Control characters, DEL and the function-key private-use range reset.
      {"Nul", kKeyA, M{}, std::string("\0", 1), reset},
      {"Del", kKeyA, M{}, "\x7f", reset},
      {"F5", kKeyF5, M::function, "\uF704", reset},
      {"PrivateUseHigh", kKeyA, M{}, "\uF8FF", reset},
      {"ControlCharAfterLetter", kKeyA, M{}, "ab\x01", reset},
      {"FunctionKeyAfterLetter", kKeyA, M{}, "a\uF704", reset},
      // Just outside those ranges is ordinary text.
      {"Space", kKeyA, M{}, " ", text(" ")},
      {"C1Control", kKeyA, M{}, "\u0080", text("\u0080")},
      {"BelowFunctionRange", kKeyA, M{}, "\uF6FF", text("\uF6FF")},
      {"AboveFunctionRange", kKeyA, M{}, "\uF900", text("\uF900")},
      // Option only changes what is typed; compositions pass through untouched, even decomposed.
      {"OptionAccent", kKeyE, M::option, "\u00e9", text("\u00e9")},
      {"DecomposedAccent", kKeyE, M{}, "e\u0301", text("e\u0301")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((KeyEvent{Phase::down, c.keyCode, c.modifiers, c.characters, nullptr}.typedInput()), c.expected)
        << c.name;
  }
}

TEST(TypedInput, KeysThatMoveTheCaretResetWhateverTheyProduce) {
  for (const std::uint16_t keyCode : {53, 117, 123, 124, 125, 126, 115, 119, 116, 121}) {
    EXPECT_EQ((KeyEvent{Phase::down, keyCode, M::shift, "a", nullptr}.typedInput()), TypedInput::reset()) << keyCode;
  }
}

TEST(TypedInput, ControlCharactersAreFoundAmongIllFormedBytes) {
  // A malformed byte must not hide the control or function-key scalar after it.
  for (std::string chars : {"\xff\x01", "\xe2\x01", "\xc3\x7f", "\xff\uF704", "\xef\x9c\uF704"}) {
    EXPECT_EQ((KeyEvent{Phase::down, kKeyA, M{}, chars, nullptr}.typedInput()), TypedInput::reset())
        << testing::PrintToString(chars);
  }
  KeyEvent overlongNul{Phase::down, kKeyA, M{}, "\xc0\x80", nullptr};
  EXPECT_EQ(overlongNul.typedInput().kind, TypedInput::Kind::text);
}

}  // namespace
}  // namespace marlinet
