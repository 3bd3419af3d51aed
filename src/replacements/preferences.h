#pragma once

#include <array>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "replacements/user_defaults.h"

namespace marlinet {

// An application that is excluded from expansion out of the box.
struct ExcludedApp {
  std::string_view bundleIdentifier;
  std::string_view displayName;
};

// The user's two settings, read afresh from the store at every access.
class Preferences final {
 public:
  static constexpr std::string_view expansionEnabledKey = "expansionEnabled";
  static constexpr std::string_view excludedBundleIDsKey = "excludedBundleIDs";

  // Applications that expand replacements themselves (nothing should expand
  // twice), terminals and password managers, by their Mac identifiers.
  static constexpr std::array<ExcludedApp, 19> defaultExcludedApps{{
      {"com.apple.TextEdit", "TextEdit"},
      {"com.apple.Notes", "Notes"},
      {"com.apple.mail", "Mail"},
      {"com.apple.iWork.Pages", "Pages"},
      {"com.apple.iWork.Keynote", "Keynote"},
      {"com.apple.iWork.Numbers", "Numbers"},
      {"com.apple.MobileSMS", "Messages"},
      {"com.apple.Safari", "Safari"},
      {"com.apple.reminders", "Reminders"},
      {"com.apple.Stickies", "Stickies"},
      {"com.apple.freeform", "Freeform"},
      {"com.apple.iCal", "Calendar"},
      {"com.apple.Terminal", "Terminal"},
      {"com.googlecode.iterm2", "iTerm2"},
      {"com.1password.1password", "1Password"},
      {"com.agilebits.onepassword7", "1Password 7"},
      {"com.bitwarden.desktop", "Bitwarden"},
      {"com.apple.keychainaccess", "Keychain Access"},
      {"com.apple.Passwords", "Passwords"},
  }};

  // The same intent on a Linux desktop, by the identifiers its X11 layer
  // reports: the GTK application ID, the KDE desktop file, the desktop-file
  // ID matched from the window class, or the class itself. Some programs
  // turn up under more than one of these, so each is listed.
  static constexpr std::array<ExcludedApp, 23> linuxExcludedApps{{
      {"org.gnome.Terminal", "GNOME Terminal"},
      {"org.gnome.Console", "Console"},
      {"org.kde.konsole", "Konsole"},
      {"XTerm", "XTerm"},
      {"UXTerm", "UXTerm"},
      {"debian-xterm", "XTerm"},
      {"Alacritty", "Alacritty"},
      {"kitty", "kitty"},
      {"com.gexperts.Tilix", "Tilix"},
      {"xfce4-terminal", "Xfce Terminal"},
      {"org.xfce.terminal", "Xfce Terminal"},
      {"org.wezfurlong.wezterm", "WezTerm"},
      {"terminator", "Terminator"},
      {"org.keepassxc.KeePassXC", "KeePassXC"},
      {"KeePassXC", "KeePassXC"},
      {"bitwarden", "Bitwarden"},
      {"com.bitwarden.desktop", "Bitwarden"},
      {"1password", "1Password"},
      {"org.gnome.seahorse.Application", "Passwords and Keys"},
      {"seahorse", "Passwords and Keys"},
      {"org.gnome.World.Secrets", "Secrets"},
      {"org.kde.kwalletmanager5", "KWalletManager"},
      {"kwalletmanager5", "KWalletManager"},
  }};

  // The identifiers of the Mac table.
  static std::set<std::string> defaultExcludedBundleIDs();

  // Registers the defaults (expansion on, `builtInExclusions` excluded) in the
  // store's volatile domain; nothing is written to the user's values.
  explicit Preferences(UserDefaults& defaults, std::span<const ExcludedApp> builtInExclusions = defaultExcludedApps);
  Preferences(const Preferences&) = delete;
  Preferences& operator=(const Preferences&) = delete;

  bool expansionEnabled() const;
  void setExpansionEnabled(bool enabled);

  // Identifiers compare exactly. A stored value that is not an array of texts
  // reads as the empty set.
  std::set<std::string> excludedBundleIDs() const;
  // Stored as an array in ascending code-point order.
  void setExcludedBundleIDs(const std::set<std::string>& bundleIDs);
  // Drops the user's list so that the built-in one applies again.
  void resetExcludedBundleIDs();

  UserDefaults& defaults() const { return defaults_; }
  // The table this desktop excludes out of the box, and its identifiers.
  std::span<const ExcludedApp> builtInExclusions() const { return builtInExclusions_; }
  std::set<std::string> builtInExcludedBundleIDs() const;

 private:
  UserDefaults& defaults_;
  std::span<const ExcludedApp> builtInExclusions_;
};

}  // namespace marlinet
