#include "app/content/onboarding_content.h"

#include <gtest/gtest.h>


namespace marlinet {
namespace {

std::vector<PermissionStatus> everyPermissionStatus() {
  std::vector<PermissionStatus> all;
  for (int bits = 0; bits < 8; ++bits) all.push_back({(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0});
  return all;
}

TEST(OnboardingContent, StepsFollowThePermissions) {
  for (const PermissionStatus& permissions : everyPermissionStatus()) {
    SCOPED_TRACE(testing::Message() << permissions.accessibility << permissions.inputMonitoring
                                    << permissions.tapRunning);
    const OnboardingContent content = buildOnboardingContent({permissions, 4});
    const PermissionStep& accessibility = content.steps[0];
    const PermissionStep& input = content.steps[1];
    EXPECT_EQ(accessibility.number, 1);
    EXPECT_EQ(input.number, 2);
    EXPECT_EQ(accessibility.request, PermissionRequest::accessibility);
    EXPECT_EQ(input.request, PermissionRequest::inputMonitoring);
    EXPECT_EQ(accessibility.granted, permissions.accessibility);
    // Input Monitoring is done once either the check says so or the keys arrive.
    EXPECT_EQ(input.granted, permissions.inputMonitoring || permissions.tapRunning);
    EXPECT_EQ(accessibility.badgeSymbol, accessibility.granted ? "checkmark.circle.fill" : "1.circle");
    EXPECT_EQ(input.badgeSymbol, input.granted ? "checkmark.circle.fill" : "2.circle");
  }
}

TEST(OnboardingContent, FooterConfirmsOnlyWhileTheTapRuns) {
  for (const PermissionStatus& permissions : everyPermissionStatus()) {
    const OnboardingFooter footer = buildOnboardingContent({permissions, 12}).footer;
    EXPECT_EQ(footer.confirmed, permissions.tapRunning);
    EXPECT_EQ(footer.doneIsDefault, permissions.tapRunning);
    EXPECT_EQ(footer.showsSpinner, !permissions.tapRunning);
    EXPECT_EQ(footer.doneTitle, "Done");
    if (permissions.tapRunning) {
      EXPECT_EQ(footer.text, "Marlinet is on. Replacements found: 12");
      EXPECT_EQ(footer.symbolName, "checkmark.circle.fill");
    } else {
      EXPECT_EQ(footer.text, "Waiting for access…");
      EXPECT_TRUE(footer.symbolName.empty());
    }
  }
}

TEST(OnboardingContent, FooterShowsTheWholeCount) {
  const PermissionStatus running{true, true, true};
  EXPECT_EQ(buildOnboardingContent({running, 3'000'000'000}).footer.text,
            "Marlinet is on. Replacements found: 3000000000");
}

}  // namespace
}  // namespace marlinet
