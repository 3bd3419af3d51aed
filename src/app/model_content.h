#pragma once

// What the drawing code renders, read off the application model. Each
// function is called afresh at every redraw, and answers nothing (or does
// nothing) once the model is gone.

#include <functional>
#include <optional>

#include "app/app_model.h"
#include "app/content/exclude_apps_content.h"
#include "app/content/onboarding_content.h"
#include "app/content/settings_content.h"
#include "app/content/status_menu_controller.h"
#include "app/window_contents.h"

namespace marlinet {

// Wires the status menu to the model; `quit` ends the application and
// `setIconDimmed` reaches the drawn status button.
StatusMenuHooks statusMenuHooks(ModelHandle model, std::function<void()> quit,
                                std::function<void(bool dimmed)> setIconDimmed);

std::optional<SettingsContent> settingsContent(const PreferencesWindowContent& window);
std::optional<OnboardingContent> onboardingContent(const OnboardingWindowContent& window);
std::optional<ExcludeAppsContent> excludeAppsContent(const ExcludeAppsWindowContent& window);

// "1.2 (34)" from the bundle's version values; "?" for one that is missing or not text.
std::string versionText(const BundleInfo& bundle);

}  // namespace marlinet
