#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/content/permission_status.h"

namespace marlinet {

// The two permission requests the onboarding buttons trigger.
enum class PermissionRequest { accessibility, inputMonitoring };

// One numbered step of the onboarding window.
struct PermissionStep {
  int number = 0;
  std::string title;
  std::string detail;
  bool granted = false;
  std::string buttonTitle;  // shown only while not granted
  PermissionRequest request = PermissionRequest::accessibility;
  std::string badgeSymbol;  // a checkmark when granted, the step number otherwise
  std::string grantedText;  // shown instead of the button once granted
};

struct OnboardingFooter {
  bool confirmed = false;   // the key event tap runs: expansion is live
  bool showsSpinner = false;
  std::string symbolName;   // empty for none
  std::string text;
  std::string doneTitle;
  bool doneIsDefault = false;  // Return presses "Done"
};

struct OnboardingInputs {
  PermissionStatus permissions;
  // Taken once when the window is made and kept for the window's lifetime.
  std::int64_t replacementCount = 0;
};

struct OnboardingContent {
  std::string headerSymbol;
  std::string headerTitle;
  std::string introduction;
  std::array<PermissionStep, 2> steps;
  OnboardingFooter footer;
};

OnboardingContent buildOnboardingContent(const OnboardingInputs& inputs);

// "checkmark.circle.fill" once granted, otherwise the number's circle symbol.
std::string permissionBadgeSymbol(int number, bool granted);

}  // namespace marlinet
