#include "replacements/import_reader.h"

#include <system_error>

#include "replacements/autokey_reader.h"
#include "replacements/espanso_reader.h"

namespace marlinet {

namespace {

bool hasYamlExtension(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension == ".yml" || extension == ".yaml";
}

}  // namespace

ImportReading readImport(const std::filesystem::path& path, const FileSystem& files) try {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return {ImportFormat::autoKey, readAutoKeyFolder(path, files)};

  const ImportFormat format = hasYamlExtension(path) ? ImportFormat::espanso : ImportFormat::propertyList;
  const std::optional<std::string> bytes = files.readFile(path);
  if (!bytes) return {format, ReplacementParseError::unreadable};
  if (format == ImportFormat::espanso) return {format, readEspansoMatches(*bytes)};

  PropertyListParseResult parsed = parsePropertyList(*bytes);
  if (auto* list = std::get_if<ParsedReplacements>(&parsed)) return {format, ForeignList{std::move(*list), 0}};
  return {format, std::get<ReplacementParseError>(parsed)};
} catch (const std::exception&) {
  return {};  // out of memory
}

std::string_view importFormatName(ImportFormat format) {
  switch (format) {
    case ImportFormat::espanso: return "espanso";
    case ImportFormat::autoKey: return "autokey";
    case ImportFormat::propertyList: break;
  }
  return "propertyList";
}

}  // namespace marlinet
