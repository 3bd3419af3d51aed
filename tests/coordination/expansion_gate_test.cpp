#include "coordination/expansion_gate.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

TEST(ExpansionGate, FirstApplicableRuleDecides) {
  const std::string editor = "com.example.editor";
  const std::string self = "com.example.marlinet";
  const struct {
    const char* name;
    bool allowed, secure;
    std::optional<std::string> frontmost, own;
    BundleIDSet excluded;
    bool composing;
    Verdict expected;
  } cases[] = {
      {"everything clear", true, false, editor, self, {}, false, Verdict::track},
      {"off beats secure", false, true, editor, self, {editor}, true, Verdict::off},
      {"secure beats excluded", true, true, editor, self, {editor}, false, Verdict::secureInput},
      {"no frontmost, composing", true, false, std::nullopt, self, {editor}, true, Verdict::composingInput},
      {"no frontmost ignores lists", true, false, std::nullopt, std::nullopt, {"x"}, false, Verdict::track},
      {"own app beats composing", true, false, self, self, {self}, true, Verdict::ownApp},
      {"absent own never matches", true, false, editor, std::nullopt, {}, false, Verdict::track},
      {"excluded beats composing", true, false, editor, self, {editor}, true, Verdict::excludedApp},
      {"exclusion is case-sensitive", true, false, "COM.example.editor", self, {editor}, false, Verdict::track},
      {"composing", true, false, editor, self, {}, true, Verdict::composingInput},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpansionGate::verdict(c.allowed, c.secure, c.frontmost, c.own, c.excluded, c.composing), c.expected)
        << c.name;
  }
}

}  // namespace
}  // namespace marlinet
