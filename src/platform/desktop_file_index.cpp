#include "platform/desktop_file_index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <system_error>
#include <utility>

namespace marlinet {
namespace {

namespace fs = std::filesystem;

// A desktop file is a few kilobytes, tens with every translation; anything
// far larger is not one, and is skipped before being read.
constexpr std::uintmax_t maxFileBytes = 1024 * 1024;
// Bounds on one directory tree, against loops and runaway installs.
constexpr std::size_t maxFilesPerDirectory = 20000;
constexpr int maxDepth = 8;

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string asciiLowercase(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), asciiLower);
  return result;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The escapes a desktop-file string value may carry.
std::string unescaped(std::string_view value) {
  std::string result;
  result.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      result += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's': result += ' '; break;
      case 'n': result += '\n'; break;
      case 't': result += '\t'; break;
      case 'r': result += '\r'; break;
      case '\\': result += '\\'; break;
      default: result += '\\'; result += value[i];
    }
  }
  return result;
}

// The `Name[..]` keys to try for a POSIX locale, best first:
// lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang.
std::vector<std::string> localeKeys(std::string_view locale) {
  std::string_view modifier;
  if (const auto at = locale.find('@'); at != std::string_view::npos) {
    modifier = locale.substr(at);
    locale = locale.substr(0, at);
  }
  locale = locale.substr(0, locale.find('.'));
  if (locale.empty() || locale == "C" || locale == "POSIX") return {};
  const std::string_view language = locale.substr(0, locale.find('_'));
  std::vector<std::string> keys;
  const auto add = [&keys](std::string key) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
  };
  if (!modifier.empty()) add(std::string(locale) + std::string(modifier));
  add(std::string(locale));
  if (!modifier.empty()) add(std::string(language) + std::string(modifier));
  add(std::string(language));
  return keys;
}

// Closes the descriptor it holds.
class FileDescriptor final {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// The whole file when it is a regular file within the size bound. Opened
// without blocking and checked on the open descriptor, so that a pipe or a
// device swapped in after the directory was listed is refused, never waited
// on; a file that grows meanwhile is read only up to the bound.
std::optional<std::string> readBounded(const fs::path& file) {
  const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat status {};
  if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  if (status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > maxFileBytes) return std::nullopt;
  std::string text(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t filled = 0;
  while (filled < text.size()) {
    const ssize_t got = ::read(fd.get(), text.data() + filled, text.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  text.resize(filled);
  return text;
}

// The [Desktop Entry] group of one file; nullopt when the file has none.
std::optional<DesktopEntry> parseEntry(std::string_view text, const std::vector<std::string>& nameKeys,
                                       bool& isApplication) {
  isApplication = false;
  // Desktop files are UTF-8 text; a NUL byte means a binary file by that name.
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  DesktopEntry entry;
  bool inMainGroup = false;
  bool sawMainGroup = false;
  std::size_t nameRank = nameKeys.size() + 1;  // lower is better; untranslated is worst
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      sawMainGroup = sawMainGroup || inMainGroup;
      continue;
    }
    if (!inMainGroup) continue;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));
    if (key == "Type") {
      isApplication = value == "Application";
    } else if (key == "Name") {
      if (nameRank > nameKeys.size()) {
        entry.name = unescaped(value);
        nameRank = nameKeys.size();
      }
    } else if (key.starts_with("Name[") && key.ends_with(']')) {
      const std::string_view wanted = key.substr(5, key.size() - 6);
      const auto found = std::find(nameKeys.begin(), nameKeys.end(), wanted);
      const auto rank = static_cast<std::size_t>(found - nameKeys.begin());
      if (rank < nameRank) {
        entry.name = unescaped(value);
        nameRank = rank;
      }
    } else if (key == "Icon") {
      entry.icon = unescaped(value);
    } else if (key == "StartupWMClass") {
      entry.startupWMClass = unescaped(value);
    } else if (key == "NoDisplay") {
      entry.noDisplay = value == "true";
    } else if (key == "Hidden") {
      entry.hidden = value == "true";
    }
  }
  if (!sawMainGroup) return std::nullopt;
  return entry;
}

// The desktop files below one directory as (ID, path), in a stable order;
// adds each subdirectory walked to `walked`.
std::vector<std::pair<std::string, fs::path>> desktopFilesBelow(const fs::path& directory,
                                                                std::vector<fs::path>& walked) {
  std::vector<std::pair<std::string, fs::path>> files;
  std::error_code error;
  fs::recursive_directory_iterator it(directory, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (files.size() >= maxFilesPerDirectory) break;
    if (it.depth() >= maxDepth) it.disable_recursion_pending();
    const fs::path& path = it->path();
    std::error_code typeError;
    // Symbolic links to directories are not followed, so not watched either.
    if (it.depth() < maxDepth && it->is_directory(typeError) && !it->is_symlink(typeError)) walked.push_back(path);
    if (path.extension() != ".desktop" || !it->is_regular_file(typeError)) continue;
    std::string id = path.lexically_relative(directory).generic_string();
    id.resize(id.size() - std::string_view(".desktop").size());
    std::replace(id.begin(), id.end(), '/', '-');
    files.emplace_back(std::move(id), path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::string DesktopFileIndex::environmentLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, std::string_view locale) {
  bool isApplication = false;
  return parseEntry(text, localeKeys(locale), isApplication);
}

DesktopFileIndex::DesktopFileIndex(const std::vector<fs::path>& applicationDirectories, std::string_view locale) {
  const std::vector<std::string> nameKeys = localeKeys(locale);
  std::set<std::string> claimed;
  directories_ = applicationDirectories;
  for (const fs::path& directory : applicationDirectories) {
    for (auto& [id, path] : desktopFilesBelow(directory, directories_)) {
      if (claimed.contains(id)) continue;
      const std::optional<std::string> text = readBounded(path);
      if (!text) continue;
      bool isApplication = false;
      std::optional<DesktopEntry> entry = parseEntry(*text, nameKeys, isApplication);
      if (!entry) continue;
      // A valid file takes its ID even when it is not an application, so that
      // a user's own file can hide a system one.
      claimed.insert(id);
      if (!isApplication) continue;
      entry->id = std::move(id);
      entry->file = std::move(path);
      entries_.push_back(std::move(*entry));
    }
  }
  std::sort(entries_.begin(), entries_.end(),
            [](const DesktopEntry& a, const DesktopEntry& b) { return a.id < b.id; });
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].hidden) continue;
    if (!entries_[i].startupWMClass.empty()) byStartupWMClass_.try_emplace(entries_[i].startupWMClass, i);
    byLowercaseID_.try_emplace(asciiLowercase(entries_[i].id), i);
  }
}

std::vector<fs::path> DesktopFileIndex::environmentDirectories() {
  std::vector<fs::path> directories;
  const auto addData = [&directories](const fs::path& data) {
    if (data.is_absolute()) directories.push_back(data / "applications");
  };
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome) {
    addData(dataHome);
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    addData(fs::path(home) / ".local/share");
  }
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  std::string_view list = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
  while (!list.empty()) {
    const auto colon = list.find(':');
    if (const std::string_view dir = list.substr(0, colon); !dir.empty()) addData(fs::path(dir));
    list = colon == std::string_view::npos ? std::string_view{} : list.substr(colon + 1);
  }
  return directories;
}

DesktopFileIndex DesktopFileIndex::fromEnvironment() {
  return DesktopFileIndex(environmentDirectories(), environmentLocale());
}

std::optional<std::string> DesktopFileIndex::idForWindowClass(std::string_view wmClass,
                                                              std::string_view wmInstance) const {
  if (!wmClass.empty()) {
    if (const auto found = byStartupWMClass_.find(std::string(wmClass)); found != byStartupWMClass_.end())
      return entries_[found->second].id;
  }
  for (const std::string_view name : {wmClass, wmInstance}) {
    if (name.empty()) continue;
    if (const auto found = byLowercaseID_.find(asciiLowercase(name)); found != byLowercaseID_.end())
      return entries_[found->second].id;
  }
  return std::nullopt;
}

}  // namespace marlinet
