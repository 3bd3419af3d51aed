#include "replacements/system_replacement_reader.h"

#include <new>

#include "replacements/app_directories.h"

namespace marlinet {

SystemReplacementReader::SystemReplacementReader(std::string_view folderName)
    : SystemReplacementReader(fileInFolder(userConfigDirectory(), folderName, fileName), std::make_shared<LocalFileSystem>()) {}

SystemReplacementReader::SystemReplacementReader(std::optional<std::filesystem::path> fileURL,
                                                 std::shared_ptr<const FileSystem> fileSystem)
    : fileURL_(std::move(fileURL)), fileSystem_(std::move(fileSystem)) {}

// The file is read afresh for each operation so that an edit made in between
// is seen at the next reload, as with the system's own preferences.
std::optional<PropertyList> SystemReplacementReader::readRoot() const {
  if (!fileURL_ || !fileSystem_) return std::nullopt;
  const auto bytes = fileSystem_->readFile(*fileURL_);
  if (!bytes) return std::nullopt;
  return decodePropertyList(*bytes);
}

std::optional<std::string> SystemReplacementReader::revision() const {
  if (!fileURL_ || !fileSystem_) return std::string("none");
  return fileSystem_->fileRevision(*fileURL_);
}

std::optional<std::vector<PropertyList>> SystemReplacementReader::globalReplacementItems() const {
  try {
    auto root = readRoot();
    if (!root || root->array() == nullptr) return std::nullopt;
    return std::move(std::get<PropertyList::Array>(root->value));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::map<std::string, std::string> SystemReplacementReader::spellCheckerReplacements() const {
  try {
    const auto root = readRoot();
    if (!root || root->dictionary() == nullptr) return {};
    std::map<std::string, std::string> entries;
    for (const auto& [key, value] : *root->dictionary()) {
      // Only text-to-text pairs are replacements; anything else is not taken.
      if (const std::string* phrase = value.text()) entries.emplace_hint(entries.end(), key, *phrase);
    }
    return entries;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace marlinet
