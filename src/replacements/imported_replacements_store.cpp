#include "replacements/imported_replacements_store.h"

#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "replacements/app_directories.h"
#include "replacements/replacement_json.h"

namespace marlinet {

namespace {

std::optional<std::int64_t> integerMember(const nlohmann::json& object, const char* name) {
  const auto member = object.find(name);
  if (member == object.end()) return std::nullopt;
  if (member->is_number_unsigned()) {
    const auto value = member->get<std::uint64_t>();
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
    return static_cast<std::int64_t>(value);
  }
  if (member->is_number_integer()) return member->get<std::int64_t>();
  return std::nullopt;
}

}  // namespace

ImportedReplacementsStore::ImportedReplacementsStore(std::string_view folderName)
    : ImportedReplacementsStore(fileInFolder(userDataDirectory(), folderName, fileName), std::make_shared<LocalFileSystem>()) {}

ImportedReplacementsStore::ImportedReplacementsStore(std::optional<std::filesystem::path> fileURL,
                                                     std::shared_ptr<FileSystem> fileSystem)
    : fileURL_(std::move(fileURL)), fileSystem_(std::move(fileSystem)) {}

std::optional<std::pair<ParsedReplacements, Date>> ImportedReplacementsStore::load() const {
  if (!fileURL_ || !fileSystem_) return std::nullopt;
  const std::optional<std::string> bytes = fileSystem_->readFile(*fileURL_);
  if (!bytes) return std::nullopt;
  return decode(*bytes);
}

bool ImportedReplacementsStore::save(const ParsedReplacements& replacements, Date importedAt) {
  if (!fileURL_ || !fileSystem_) return false;
  if (!fileSystem_->createDirectories(fileURL_->parent_path())) return false;
  const std::optional<std::string> bytes = encode(replacements, importedAt);
  if (!bytes) return false;
  return fileSystem_->writeFileAtomically(*fileURL_, *bytes);
}

void ImportedReplacementsStore::remove() {
  if (fileURL_ && fileSystem_) fileSystem_->removeFile(*fileURL_);
}

std::optional<std::string> ImportedReplacementsStore::encode(const ParsedReplacements& replacements,
                                                             Date importedAt) {
  // JSON has no form for infinities or NaN; such a date would not read back.
  if (!std::isfinite(importedAt.secondsSinceReferenceDate)) return std::nullopt;
  try {
    nlohmann::ordered_json file = nlohmann::ordered_json::object();
    file["replacements"] = replacements.replacements;
    file["skippedNonASCII"] = replacements.skippedNonASCII;
    file["skippedDisabled"] = replacements.skippedDisabled;
    // nlohmann writes the shortest text that reads back as the same double.
    file["importedAt"] = importedAt.secondsSinceReferenceDate;
    return file.dump();
  } catch (...) {
    return std::nullopt;  // a text that is not UTF-8, or out of memory
  }
}

std::optional<std::pair<ParsedReplacements, Date>> ImportedReplacementsStore::decode(std::string_view bytes) {
  try {
    const nlohmann::json file = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (!file.is_object()) return std::nullopt;  // also what a parse failure yields

    const auto list = file.find("replacements");
    if (list == file.end() || !list->is_array()) return std::nullopt;
    const auto skippedNonASCII = integerMember(file, "skippedNonASCII");
    const auto skippedDisabled = integerMember(file, "skippedDisabled");
    const auto importedAt = file.find("importedAt");
    if (!skippedNonASCII || !skippedDisabled || importedAt == file.end() || !importedAt->is_number() ||
        !std::isfinite(importedAt->get<double>())) {
      return std::nullopt;
    }

    ParsedReplacements parsed;
    parsed.skippedNonASCII = *skippedNonASCII;
    parsed.skippedDisabled = *skippedDisabled;
    parsed.replacements.reserve(list->size());
    for (const nlohmann::json& element : *list) {
      std::optional<Replacement> replacement = decodeReplacement(element);
      if (!replacement) return std::nullopt;
      // Entries are used as stored, except empty ones: an empty shortcut would
      // match at every delimiter and an empty phrase would only erase.
      if (replacement->shortcut.empty() || replacement->phrase.empty()) continue;
      parsed.replacements.push_back(std::move(*replacement));
    }
    return std::pair{std::move(parsed), Date{importedAt->get<double>()}};
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace marlinet
