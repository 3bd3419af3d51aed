#include "app/content/onboarding_content.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

TEST(OnboardingContent, StepsAndFooterFollowThePermissions) {
  for (int bits = 0; bits < 8; ++bits) {
    const PermissionStatus permissions{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
    SCOPED_TRACE(bits);
    const OnboardingContent content = buildOnboardingContent({permissions, 3'000'000'000});
    EXPECT_EQ(content.steps[0].granted, permissions.accessibility);
    // Input Monitoring is done once either the check says so or the keys arrive.
    EXPECT_EQ(content.steps[1].granted, permissions.inputMonitoring || permissions.tapRunning);
    EXPECT_EQ(content.steps[1].badgeSymbol, content.steps[1].granted ? "checkmark.circle.fill" : "2.circle");
    // Only a running tap confirms; the count shows whole, beyond 32 bits.
    EXPECT_EQ(content.footer.confirmed, permissions.tapRunning);
    EXPECT_EQ(content.footer.text, permissions.tapRunning ? "Marlinet is on. Replacements found: 3000000000"
                                                          : "Waiting for access…");
  }
}

}  // namespace
}  // namespace marlinet
