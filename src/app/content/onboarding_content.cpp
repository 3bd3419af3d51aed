#include "app/content/onboarding_content.h"

#include "app/localization.h"

namespace marlinet {
namespace {

PermissionStep step(int number, std::string_view title, std::string_view detail, bool granted,
                    std::string_view buttonTitle, PermissionRequest request) {
  PermissionStep result;
  result.number = number;
  result.title = localized(title);
  result.detail = localized(detail);
  result.granted = granted;
  result.buttonTitle = localized(buttonTitle);
  result.request = request;
  result.badgeSymbol = permissionBadgeSymbol(number, granted);
  result.grantedText = localized("On");
  return result;
}

}  // namespace

std::string permissionBadgeSymbol(int number, bool granted) {
  return granted ? std::string("checkmark.circle.fill") : std::to_string(number) + ".circle";
}

OnboardingContent buildOnboardingContent(const OnboardingInputs& inputs) {
  const PermissionStatus& permissions = inputs.permissions;
  OnboardingContent content;
  content.headerSymbol = "text.insert";
  content.headerTitle = localized("Your text replacements, in every app");
  content.introduction = localized(
      "macOS expands the shortcuts from System Settings › Keyboard › Text Replacements only in some apps. In "
      "Chrome, Slack, VS Code and other apps, Marlinet does it for you: type a shortcut, then a space or "
      "punctuation, and it becomes the phrase.");
  content.steps[0] = step(1, "Accessibility",
                          "Lets Marlinet delete the shortcut and type the phrase in the app you’re using.",
                          permissions.accessibility, "Open Accessibility Settings", PermissionRequest::accessibility);
  // A running tap proves the keys arrive even when the preflight check says otherwise.
  content.steps[1] = step(2, "Input Monitoring",
                          "Lets Marlinet see the keys you type. If macOS asks for it, turn on Marlinet here too.",
                          permissions.inputMonitoring || permissions.tapRunning, "Open Input Monitoring Settings",
                          PermissionRequest::inputMonitoring);

  OnboardingFooter& footer = content.footer;
  footer.confirmed = permissions.tapRunning;
  footer.doneTitle = localized("Done");
  if (permissions.tapRunning) {
    footer.symbolName = "checkmark.circle.fill";
    footer.text = localized("Marlinet is on. Replacements found: %lld", inputs.replacementCount);
    footer.doneIsDefault = true;
  } else {
    footer.showsSpinner = true;
    footer.text = localized("Waiting for access…");
  }
  return content;
}

}  // namespace marlinet
