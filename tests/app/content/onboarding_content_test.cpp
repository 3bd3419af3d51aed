#include "app/content/onboarding_content.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

TEST(OnboardingContent, StepsAndFooterFollowThePermissions) {
  for (int bits = 0; bits < 8; ++bits) {
    const PermissionStatus permissions{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
    SCOPED_TRACE(bits);
    const OnboardingContent content = buildOnboardingContent({permissions, 3'000'000'000});
    const PermissionStep& accessibility = content.steps[0];
    const PermissionStep& input = content.steps[1];
    EXPECT_EQ(accessibility.request, PermissionRequest::accessibility);
    EXPECT_EQ(accessibility.granted, permissions.accessibility);
    // Input Monitoring is done once either the check says so or the keys arrive.
    EXPECT_EQ(input.granted, permissions.inputMonitoring || permissions.tapRunning);
    EXPECT_EQ(accessibility.badgeSymbol, accessibility.granted ? "checkmark.circle.fill" : "1.circle");
    EXPECT_EQ(input.badgeSymbol, input.granted ? "checkmark.circle.fill" : "2.circle");

    // Only a running tap confirms; the count shows whole, beyond 32 bits.
    const OnboardingFooter& footer = content.footer;
    EXPECT_EQ(footer.confirmed, permissions.tapRunning);
    EXPECT_EQ(footer.doneIsDefault, permissions.tapRunning);
    EXPECT_EQ(footer.showsSpinner, !permissions.tapRunning);
    EXPECT_EQ(footer.text, permissions.tapRunning ? "Marlinet is on. Replacements found: 3000000000"
                                                  : "Waiting for access…");
  }
}

}  // namespace
}  // namespace marlinet
