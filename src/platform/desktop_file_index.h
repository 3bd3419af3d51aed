#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace marlinet {

// One installed application as its `.desktop` file describes it.
struct DesktopEntry {
  std::string id;  // file name without ".desktop"; subdirectories joined with '-'
  std::filesystem::path file;  // the file it was read from
  std::string name;  // localized for the current locale when the file has it
  std::string icon;
  std::string startupWMClass;
  bool noDisplay = false;
  bool hidden = false;  // the user deleted it: listed, never matched

  friend bool operator==(const DesktopEntry&, const DesktopEntry&) = default;
};

// The [Desktop Entry] group of one file's text, translated for `locale`;
// none when the text has no such group or is not text at all (holds a NUL
// byte). The ID and the file are left empty.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, std::string_view locale = {});

// The installed applications, read once from the XDG application directories,
// so that a window's class can be named by the application's desktop-file ID.
class DesktopFileIndex {
 public:
  // Reads `<dir>` recursively for each directory, earlier ones winning for the
  // same ID. `locale` is a POSIX locale name ("de_CH.UTF-8@euro") choosing
  // the `Name[..]` translation; empty keeps the untranslated names.
  explicit DesktopFileIndex(const std::vector<std::filesystem::path>& applicationDirectories,
                            std::string_view locale = {});
  DesktopFileIndex() = default;

  // $XDG_DATA_HOME and $XDG_DATA_DIRS (with their defaults) + "/applications",
  // translated for the locale of LC_ALL / LC_MESSAGES / LANG.
  static DesktopFileIndex fromEnvironment();
  static std::vector<std::filesystem::path> environmentDirectories();
  // The locale of LC_ALL / LC_MESSAGES / LANG, the first one set.
  static std::string environmentLocale();

  // The entry whose StartupWMClass is exactly `wmClass`, else the one whose ID
  // equals `wmClass` or `wmInstance` ignoring ASCII case.
  std::optional<std::string> idForWindowClass(std::string_view wmClass, std::string_view wmInstance) const;

  // Every application found, sorted by ID.
  const std::vector<DesktopEntry>& entries() const { return entries_; }
  // The directories given (found or not), then every subdirectory walked:
  // what a caller watches to learn that the applications changed.
  const std::vector<std::filesystem::path>& directories() const { return directories_; }

 private:
  std::vector<DesktopEntry> entries_;
  std::vector<std::filesystem::path> directories_;
  std::unordered_map<std::string, std::size_t> byStartupWMClass_;
  std::unordered_map<std::string, std::size_t> byLowercaseID_;
};

}  // namespace marlinet
