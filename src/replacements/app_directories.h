#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace marlinet {

// The per-user folder name used when no application identifier is known.
inline constexpr std::string_view fallbackFolderName = "tarnwick-engineering.Marlinet.direct";

// The application identifier when there is one, else the fallback.
std::string applicationFolderName(const std::optional<std::string>& applicationIdentifier);

// Looks up an environment variable; absent when unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
std::optional<std::string> processEnvironment(const char* name);

// $XDG_DATA_HOME, else ~/.local/share. A relative or empty XDG value is
// ignored, as the base directory rules require. Absent when no home folder
// can be found.
std::optional<std::filesystem::path> userDataDirectory(const EnvironmentLookup& environment = processEnvironment);
// $XDG_CONFIG_HOME, else ~/.config, under the same rules.
std::optional<std::filesystem::path> userConfigDirectory(const EnvironmentLookup& environment = processEnvironment);

// <base>/<folderName>/<fileName>, or none without a base directory.
std::optional<std::filesystem::path> fileInFolder(const std::optional<std::filesystem::path>& base,
                                                  std::string_view folderName, std::string_view fileName);

}  // namespace marlinet
