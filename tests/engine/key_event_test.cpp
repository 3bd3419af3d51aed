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

struct TypedInputCase {
  const char* name;
  std::uint16_t keyCode;
  KeyModifiers modifiers;
  std::string characters;
  TypedInput expected;
};

void PrintTo(const TypedInputCase& c, std::ostream* os) { *os << c.name; }

class TypedInputRules : public testing::TestWithParam<TypedInputCase> {};

TEST_P(TypedInputRules, ClassifiesKeyDown) {
  const TypedInputCase& c = GetParam();
  KeyEvent event{Phase::down, c.keyCode, c.modifiers, c.characters, nullptr};
  EXPECT_EQ(event.typedInput(), c.expected);
}

const TypedInput kReset = TypedInput::reset();
const TypedInput kDelete = TypedInput::deleteBackward();
TypedInput text(std::string s) { return TypedInput::typed(std::move(s)); }

INSTANTIATE_TEST_SUITE_P(
    RuleOrder, TypedInputRules,
    testing::Values(
        // Control and Command win over every key-specific rule.
        TypedInputCase{"ControlA", kKeyA, M::control, "\x01", kReset},
        TypedInputCase{"CommandV", keycode::v, M::command, "v", kReset},
        TypedInputCase{"CommandReturn", keycode::returnKey, M::command, "\r", kReset},
        TypedInputCase{"ControlDelete", keycode::deleteKey, M::control, "\x7f", kReset},
        TypedInputCase{"CommandDelete", keycode::deleteKey, M::command, "\x7f", kReset},
        // Return and Enter always type a carriage return, whatever characters say.
        TypedInputCase{"Return", keycode::returnKey, M{}, "\r", text("\r")},
        TypedInputCase{"ShiftReturn", keycode::returnKey, M::shift, "\r", text("\r")},
        TypedInputCase{"OptionFnEnter", keycode::keypadEnter, M{M::option, M::function}, "\x03", text("\r")},
        TypedInputCase{"ReturnWithoutCharacters", keycode::returnKey, M{}, "", text("\r")},
        TypedInputCase{"Tab", keycode::tab, M{}, "\t", text("\t")},
        TypedInputCase{"ShiftTab", keycode::tab, M::shift, "\x19", kReset},
        TypedInputCase{"Delete", keycode::deleteKey, M{}, "\x7f", kDelete},
        TypedInputCase{"OptionDelete", keycode::deleteKey, M::option, "\x7f", kReset},
        TypedInputCase{"LeftArrowWithLetter", 123, M{}, "a", kReset},
        TypedInputCase{"EscapeWithShift", keycode::escape, M::shift, "\x1b", kReset},
        // A dead key's first press produces nothing and must not disturb the buffer.
        TypedInputCase{"DeadKey", kKeyE, M::option, "", text("")},
        // Control characters, DEL and the function-key private-use range reset.
        TypedInputCase{"Nul", kKeyA, M{}, std::string("\0", 1), kReset},
        TypedInputCase{"Del", kKeyA, M{}, "\x7f", kReset},
        TypedInputCase{"F5", kKeyF5, M::function, "\uF704", kReset},
        TypedInputCase{"PrivateUseHigh", kKeyA, M{}, "\uF8FF", kReset},
        TypedInputCase{"ControlCharAfterLetter", kKeyA, M{}, "ab\x01", kReset},
        TypedInputCase{"FunctionKeyAfterLetter", kKeyA, M{}, "a\uF704", kReset},
        // Just outside those ranges is ordinary text.
        TypedInputCase{"Space", kKeyA, M{}, " ", text(" ")},
        TypedInputCase{"C1Control", kKeyA, M{}, "\u0080", text("\u0080")},
        TypedInputCase{"BelowFunctionRange", kKeyA, M{}, "\uF6FF", text("\uF6FF")},
        TypedInputCase{"AboveFunctionRange", kKeyA, M{}, "\uF900", text("\uF900")},
        TypedInputCase{"OtherPrivateUse", kKeyA, M{}, "\uE000", text("\uE000")},
        // Option only changes what is typed.
        TypedInputCase{"OptionAccent", kKeyE, M::option, "é", text("é")},
        // Dead-key compositions pass through untouched, even decomposed.
        TypedInputCase{"TwoCharComposition", kKeyA, M{}, "`q", text("`q")},
        TypedInputCase{"DecomposedAccent", kKeyE, M{}, "e\u0301", text("e\u0301")}),
    [](const testing::TestParamInfo<TypedInputCase>& info) { return std::string(info.param.name); });

class ClearingKeys : public testing::TestWithParam<std::uint16_t> {};

TEST_P(ClearingKeys, ResetWhateverTheyProduce) {
  KeyEvent event{Phase::down, GetParam(), M::shift, "a", nullptr};
  EXPECT_EQ(event.typedInput(), kReset);
}

INSTANTIATE_TEST_SUITE_P(Navigation, ClearingKeys,
                         testing::Values(53, 117, 123, 124, 125, 126, 115, 119, 116, 121));

TEST(TypedInput, ControlCharactersAreFoundAmongIllFormedBytes) {
  // A malformed byte must not hide the control or function-key scalar after it.
  for (std::string chars : {"\xff\x01", "\xe2\x01", "\xc3\x7f", "\xff\uF704", "\xef\x9c\uF704"}) {
    KeyEvent event{Phase::down, kKeyA, M{}, chars, nullptr};
    EXPECT_EQ(event.typedInput(), kReset) << testing::PrintToString(chars);
  }
  KeyEvent overlongNul{Phase::down, kKeyA, M{}, "\xc0\x80", nullptr};
  EXPECT_EQ(overlongNul.typedInput().kind, TypedInput::Kind::text);
}

TEST(KeyModifiers, MembersHaveFixedRawValues) {
  EXPECT_EQ(M::shift.rawValue, 1);
  EXPECT_EQ(M::control.rawValue, 2);
  EXPECT_EQ(M::option.rawValue, 4);
  EXPECT_EQ(M::command.rawValue, 8);
  EXPECT_EQ(M::function.rawValue, 16);
  EXPECT_EQ((M{M::shift, M::command}).rawValue, 9);
  EXPECT_EQ(M{}.rawValue, 0);
  EXPECT_EQ((M{std::initializer_list<M>{}}).rawValue, 0);
}

TEST(KeyModifiers, SetAlgebra) {
  const M shiftCommand{M::shift, M::command};
  const M commandOption{M::command, M::option};

  EXPECT_EQ(shiftCommand.unionWith(commandOption), (M{M::shift, M::command, M::option}));
  EXPECT_EQ(shiftCommand.intersection(commandOption), M::command);
  EXPECT_EQ(shiftCommand.symmetricDifference(commandOption), (M{M::shift, M::option}));
  EXPECT_EQ(shiftCommand.subtracting(commandOption), M::shift);

  EXPECT_TRUE(shiftCommand.contains(M::shift));
  EXPECT_FALSE(shiftCommand.contains(M::option));
  EXPECT_FALSE(M::shift.contains(shiftCommand));
  EXPECT_TRUE(M::shift.isSubset(shiftCommand));
  EXPECT_FALSE(shiftCommand.isSubset(M::shift));
  EXPECT_TRUE(M::shift.isDisjoint(commandOption));
  EXPECT_FALSE(shiftCommand.isDisjoint(commandOption));
  EXPECT_TRUE(M{}.isEmpty());
  EXPECT_FALSE(M::function.isEmpty());

  M m;
  m.insert(M::control);
  m.update(M::option);
  m.insert(M::control);
  EXPECT_EQ(m, (M{M::control, M::option}));
  m.remove(M{M::control, M::shift});
  EXPECT_EQ(m, M::option);
}

}  // namespace
}  // namespace marlinet
