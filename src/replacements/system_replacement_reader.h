#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "replacements/file_system.h"
#include "replacements/system_replacements.h"

namespace marlinet {

// The user's text replacements on this platform: one property-list file,
// "text-replacements.plist" in the application's configuration folder. A
// root array is the global list of records; a root dictionary of texts is
// the spell checker's map. A missing or unreadable file has neither.
class SystemReplacementReader final : public SystemReplacementReading {
 public:
  static constexpr std::string_view fileName = "text-replacements.plist";

  // <user config directory>/<folderName>/text-replacements.plist
  explicit SystemReplacementReader(std::string_view folderName);
  SystemReplacementReader(std::optional<std::filesystem::path> fileURL, std::shared_ptr<const FileSystem> fileSystem);

  std::optional<std::vector<PropertyList>> globalReplacementItems() const override;
  std::map<std::string, std::string> spellCheckerReplacements() const override;
  std::optional<std::string> revision() const override;

  const std::optional<std::filesystem::path>& fileURL() const { return fileURL_; }

 private:
  std::optional<PropertyList> readRoot() const;

  std::optional<std::filesystem::path> fileURL_;
  std::shared_ptr<const FileSystem> fileSystem_;
};

}  // namespace marlinet
