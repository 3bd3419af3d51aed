#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "replacements/file_system.h"
#include "replacements/foreign_list.h"

namespace marlinet {

// Limits on one AutoKey folder, subfolders included. Far above any phrase
// collection; they keep a wrong choice (a home folder) from being walked.
inline constexpr std::size_t maxAutoKeyEntries = 20'000;    // files and folders seen
inline constexpr int maxAutoKeyDepth = 16;                   // levels of subfolders
inline constexpr std::size_t maxAutoKeyFileSize = std::size_t{1} << 20;    // one metadata or phrase file
inline constexpr std::size_t maxAutoKeyTotalSize = std::size_t{32} << 20;  // all the files read

// What one item's metadata (the hidden ".<name>.json" beside it) says.
struct AutoKeyItem {
  enum class Kind {
    phrase,       // a phrase typed in place of its abbreviations
    unsupported,  // a script, or a phrase with another trigger or a behaviour Marlinet lacks
    folder,       // a folder's own metadata
    unknown,      // not AutoKey metadata
  };
  Kind kind = Kind::unknown;
  std::vector<std::string> abbreviations;  // for a phrase; never empty then
};

// Reads one metadata file. A phrase counts only when its triggers include
// abbreviations that replace what was typed ("backspace") once a word ends
// (neither "immediate" nor "triggerInside") in every window.
AutoKeyItem readAutoKeyMetadata(std::string_view json);

// Whether a phrase's text holds a macro (<cursor>, <date ...>, <script ...>,
// <file ...>, <clipboard>...) or a key name (<enter>, <ctrl>...) that AutoKey
// acts on instead of typing.
bool hasAutoKeyMacros(std::string_view text);

// Reads a folder of AutoKey phrases and its subfolders, in name order, each
// folder's items before its subfolders. Folders behind symbolic links are
// never entered. Scripts, phrases without metadata and phrases `readAutoKeyMetadata`
// or `hasAutoKeyMacros` turn away are counted as unsupported. A folder with
// no AutoKey metadata at all is `unexpectedFormat`; one beyond the limits,
// or that cannot be listed, is `unreadable`. Never throws.
ForeignListResult readAutoKeyFolder(const std::filesystem::path& folder, const FileSystem& files);

}  // namespace marlinet
