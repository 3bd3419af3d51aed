#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "replacements/date.h"
#include "replacements/file_system.h"
#include "replacements/parsed_replacements.h"

namespace marlinet {

// The imported list, its skip counts and the moment of import, kept in
// "imported-replacements.json" in the user's data folder.
class ImportedReplacementsStore final {
 public:
  static constexpr std::string_view fileName = "imported-replacements.json";

  // <user data directory>/<folderName>/imported-replacements.json. With no
  // data directory at all the store has no file: load finds nothing and save
  // fails.
  explicit ImportedReplacementsStore(std::string_view folderName);
  // A store at an explicit location, over any file system.
  ImportedReplacementsStore(std::optional<std::filesystem::path> fileURL, std::shared_ptr<FileSystem> fileSystem);

  const std::optional<std::filesystem::path>& fileURL() const { return fileURL_; }

  // The stored list as stored, and its import date; absent when there is no
  // file or it does not decode.
  std::optional<std::pair<ParsedReplacements, Date>> load() const;
  // Replaces the file in one step; false when nothing was written.
  bool save(const ParsedReplacements& replacements, Date importedAt);
  // Deletes the file, ignoring every failure. The folder stays.
  void remove();

  // The file format on its own, for tests and fuzzing.
  static std::optional<std::string> encode(const ParsedReplacements& replacements, Date importedAt);
  static std::optional<std::pair<ParsedReplacements, Date>> decode(std::string_view bytes);

 private:
  std::optional<std::filesystem::path> fileURL_;
  std::shared_ptr<FileSystem> fileSystem_;
};

}  // namespace marlinet
