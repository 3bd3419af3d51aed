#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "replacements/file_system.h"
#include "replacements/user_defaults.h"

namespace marlinet {

// User defaults kept in memory and written through, atomically, to a JSON
// object in "settings.json" in the user's configuration folder. A file that
// does not decode (or is larger than maxFileSize, or nests deeper than
// maxPropertyListDepth) reads as no values and stays on disk until the next
// change replaces it. Texts, numbers, Booleans, arrays and dictionaries persist;
// dates, data and archive references live only for the session.
class FileUserDefaults final : public UserDefaults {
 public:
  static constexpr std::string_view fileName = "settings.json";
  // Settings take a few hundred bytes (thousands of excluded applications
  // still fit); a larger file was not written here, and as a tree of values
  // it could cost sixty times its size.
  static constexpr std::size_t maxFileSize = std::size_t{256} << 10;

  // <user config directory>/<folderName>/settings.json; with no configuration
  // directory the values live only for the session.
  explicit FileUserDefaults(std::string_view folderName);
  FileUserDefaults(std::optional<std::filesystem::path> fileURL, std::shared_ptr<FileSystem> fileSystem);

  void registerDefaults(const PropertyList::Dictionary& defaults) override;
  std::optional<PropertyList> objectForKey(std::string_view key) const override;
  void setObject(std::string_view key, PropertyList value) override;
  void removeObjectForKey(std::string_view key) override;

  const std::optional<std::filesystem::path>& fileURL() const { return fileURL_; }

  // The file format on its own: absent when the bytes are not a JSON object.
  static std::optional<PropertyList::Dictionary> decode(std::string_view bytes);
  static std::optional<std::string> encode(const PropertyList::Dictionary& values);

 private:
  void persist();

  std::optional<std::filesystem::path> fileURL_;
  std::shared_ptr<FileSystem> fileSystem_;
  PropertyList::Dictionary registered_;
  PropertyList::Dictionary values_;
};

}  // namespace marlinet
