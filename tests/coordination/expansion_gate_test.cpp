#include "coordination/expansion_gate.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

struct GateCase {
  const char* name;
  bool allowed;
  bool secure;
  std::optional<std::string> frontmost;
  std::optional<std::string> own;
  BundleIDSet excluded;
  bool composing;
  Verdict expected;
};

class GateRules : public ::testing::TestWithParam<GateCase> {};

TEST_P(GateRules, FirstApplicableRuleDecides) {
  const GateCase& c = GetParam();
  EXPECT_EQ(ExpansionGate::verdict(c.allowed, c.secure, c.frontmost, c.own, c.excluded, c.composing), c.expected);
}

const std::string editor = "com.example.editor";
const std::string self = "com.example.marlinet";

INSTANTIATE_TEST_SUITE_P(
    Order, GateRules,
    ::testing::Values(
        GateCase{"everything_clear", true, false, editor, self, {}, false, Verdict::track},
        GateCase{"off_beats_secure", false, true, editor, self, {editor}, true, Verdict::off},
        GateCase{"secure_beats_excluded", true, true, editor, self, {editor}, false, Verdict::secureInput},
        GateCase{"no_frontmost_composing", true, false, std::nullopt, self, {editor}, true, Verdict::composingInput},
        GateCase{"no_frontmost_ignores_lists", true, false, std::nullopt, std::nullopt, {"x"}, false, Verdict::track},
        GateCase{"own_app_beats_composing", true, false, self, self, {self}, true, Verdict::ownApp},
        GateCase{"absent_own_never_matches", true, false, editor, std::nullopt, {}, false, Verdict::track},
        GateCase{"excluded_beats_composing", true, false, editor, self, {editor}, true, Verdict::excludedApp},
        GateCase{"exclusion_is_case_sensitive", true, false, "COM.example.editor", self, {editor}, false,
                 Verdict::track},
        GateCase{"composing", true, false, editor, self, {}, true, Verdict::composingInput}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace marlinet
