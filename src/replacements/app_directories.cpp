#include "replacements/app_directories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace marlinet {

namespace {

std::optional<std::filesystem::path> homeDirectory(const EnvironmentLookup& environment) {
  if (auto home = environment("HOME"); home && !home->empty()) return std::filesystem::path(*home);
  // No HOME (started by a service manager, say): ask the user database.
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] != '\0') {
    return std::filesystem::path(found->pw_dir);
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> baseDirectory(const EnvironmentLookup& environment, const char* variable,
                                                   const char* homeRelative) {
  if (auto value = environment(variable); value && !value->empty()) {
    std::filesystem::path path(*value);
    if (path.is_absolute()) return path;
  }
  if (auto home = homeDirectory(environment)) return *home / homeRelative;
  return std::nullopt;
}

}  // namespace

std::string applicationFolderName(const std::optional<std::string>& applicationIdentifier) {
  if (applicationIdentifier && !applicationIdentifier->empty()) return *applicationIdentifier;
  return std::string(fallbackFolderName);
}

std::optional<std::string> processEnvironment(const char* name) {
  if (const char* value = std::getenv(name)) return std::string(value);
  return std::nullopt;
}

std::optional<std::filesystem::path> userDataDirectory(const EnvironmentLookup& environment) {
  return baseDirectory(environment, "XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> userConfigDirectory(const EnvironmentLookup& environment) {
  return baseDirectory(environment, "XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> fileInFolder(const std::optional<std::filesystem::path>& base,
                                                  std::string_view folderName, std::string_view fileName) {
  if (!base) return std::nullopt;
  return *base / std::string(folderName) / std::string(fileName);
}

}  // namespace marlinet
