#pragma once

#include <filesystem>
#include <string_view>

#include "replacements/file_system.h"
#include "replacements/foreign_list.h"

namespace marlinet {

enum class ImportFormat { propertyList, espanso, autoKey };

// What reading a chosen file or folder gave, and in which format it was read.
struct ImportReading {
  ImportFormat format = ImportFormat::propertyList;
  ForeignListResult result = ReplacementParseError::unreadable;
};

// Reads a list to import by its kind: a folder as AutoKey phrases, a ".yml"
// or ".yaml" file (any casing) as an espanso match file, anything else as a
// property list (which never has unsupported entries). Never throws.
ImportReading readImport(const std::filesystem::path& path, const FileSystem& files);

// The format's name in machine output: "propertyList", "espanso", "autokey".
std::string_view importFormatName(ImportFormat format);

}  // namespace marlinet
