// Feeds one AutoKey item to the readers: the bytes up to the first NUL are
// the metadata (".<name>.json"), the rest the phrase text. Neither may crash
// or throw; a phrase always has an abbreviation, and its text is typed as
// it is (repaired only when it is not UTF-8).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/unicode_text.h"
#include "replacements/autokey_reader.h"
#include "replacements/property_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t split = bytes.find('\0');
  const std::string_view metadata = bytes.substr(0, split);
  const std::string_view text = split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);

  const marlinet::AutoKeyItem item = marlinet::readAutoKeyMetadata(metadata);
  const bool macros = marlinet::hasAutoKeyMacros(text);
  if (item.kind != marlinet::AutoKeyItem::Kind::phrase) {
    if (!item.abbreviations.empty()) std::abort();
    return 0;
  }
  if (item.abbreviations.empty()) std::abort();
  if (macros) return 0;

  std::vector<marlinet::PropertyList> records;
  for (const std::string& abbreviation : item.abbreviations) {
    records.push_back(marlinet::PropertyList(
        marlinet::PropertyList::Dictionary{{"replace", abbreviation}, {"with", std::string(text)}}));
  }
  const marlinet::ParsedReplacements parsed = marlinet::parseItems(std::move(records));
  for (const auto& entry : parsed.replacements) {
    if (entry.shortcut.empty() || marlinet::hasUnsupportedCharacters(entry.shortcut) ||
        !marlinet::unicode::isValidUtf8(entry.phrase) ||
        (marlinet::unicode::isValidUtf8(text) && entry.phrase != text)) {
      std::abort();
    }
  }
  return 0;
}
