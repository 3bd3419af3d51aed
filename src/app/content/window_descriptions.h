#pragma once

#include <string>
#include <string_view>

namespace marlinet {

// A window the application shows: its id with the window presenter, and the
// English key of its title.
struct WindowDescription {
  std::string_view id;
  std::string_view englishTitle;

  std::string title() const;  // localized
};

inline constexpr WindowDescription onboardingWindow{"onboarding", "Welcome to Marlinet"};
inline constexpr WindowDescription preferencesWindow{"preferences", "Marlinet Settings"};
inline constexpr WindowDescription excludeAppsWindow{"exclude", "Exclude Apps"};
inline constexpr WindowDescription replacementsWindow{"replacements", "Replacements"};

}  // namespace marlinet
