#include "app/localization.h"

#include <atomic>
#include <map>

namespace marlinet {
namespace {

using Table = std::map<std::string, std::string, std::less<>>;

// English is the only language so far; a translation adds its table here.
const Table& translations() {
  static const Table entries;
  return entries;
}

// What the texts written for the Mac say on an X11 desktop: there is no
// permission to grant, no system list of replacements and no System Settings.
const Table& x11Wording() {
  static const Table entries{
      {"macOS expands the shortcuts from System Settings › Keyboard › Text Replacements only in some apps. In "
       "Chrome, Slack, VS Code and other apps, Marlinet does it for you: type a shortcut, then a space or "
       "punctuation, and it becomes the phrase.",
       "Linux desktops do not expand text replacements. Marlinet does it in every X11 app: type a shortcut, then "
       "a space or punctuation, and it becomes the phrase."},
      {"Accessibility", "Typing into apps"},
      {"Lets Marlinet delete the shortcut and type the phrase in the app you’re using.",
       "Marlinet types the phrase through the X server’s XTEST extension. On a Wayland session this is not "
       "possible: log in with an X11 session (“GNOME on Xorg”, “Plasma (X11)”)."},
      {"Open Accessibility Settings", "How to Get It…"},
      {"Input Monitoring", "Seeing the keys you type"},
      {"Lets Marlinet see the keys you type. If macOS asks for it, turn on Marlinet here too.",
       "Marlinet reads the keyboard through the X server’s XInput 2 extension. X11 asks no permission for it; "
       "on Wayland only apps running through XWayland could be seen, so Marlinet does not run there."},
      {"Open Input Monitoring Settings", "How to Get It…"},
      {"Needs Accessibility access", "Cannot reach the keyboard"},
      {"Waiting for access…", "Waiting for the X server…"},
      {"Allow Access…", "Why Not Expanding…"},
      {"Your keystrokes stay on this Mac.", "Your keystrokes stay on this computer."},
      {"From System Settings", "From your list"},
      {"Import .plist…", "Import File…"},
      {"Shortcuts made of English letters, digits and punctuation expand after a space, return, tab or "
       "punctuation. While a Korean, Japanese or Chinese input source is selected, Marlinet does nothing.",
       "Shortcuts made of English letters, digits and punctuation expand after a space, return, tab or "
       "punctuation. While an input method (IBus, Fcitx) writes Korean, Japanese or Chinese, Marlinet does "
       "nothing."},
      {"Choose the “Text Substitutions.plist” file you dragged out of System Settings › Keyboard › Text "
       "Replacements.",
       "Choose a text replacement list: a “Text Substitutions.plist” file exported from a Mac, another "
       "Marlinet list, or an espanso match file (.yml)."},
      {"In System Settings › Keyboard › Text Replacements, select the replacements, drag them to the Desktop, and "
       "import the file that appears.",
       "On a Mac, in System Settings › Keyboard › Text Replacements, select the replacements, drag them to the "
       "Desktop, and import the file that appears."},
  };
  return entries;
}

std::atomic<DesktopWording> wording{DesktopWording::mac};

}  // namespace

void setDesktopWording(DesktopWording chosen) { wording = chosen; }

std::string localized(std::string_view english) {
  std::string_view text = english;
  if (wording == DesktopWording::x11) {
    if (const auto found = x11Wording().find(english); found != x11Wording().end()) text = found->second;
  }
  const auto found = translations().find(text);
  return found == translations().end() ? std::string(text) : found->second;
}

std::string localized(std::string_view english, std::int64_t number) {
  std::string text = localized(english);
  if (const auto at = text.find("%lld"); at != std::string::npos) text.replace(at, 4, std::to_string(number));
  return text;
}

}  // namespace marlinet
