// Feeds arbitrary bytes to the import parser: it must neither crash, hang nor
// hand out anything that breaks the rules every parsed entry obeys.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unordered_set>

#include "engine/unicode_text.h"
#include "replacements/replacement_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto result = marlinet::parsePropertyList(bytes);
  if (const auto* parsed = std::get_if<marlinet::ParsedReplacements>(&result)) {
    std::unordered_set<std::string_view> seen;
    for (const auto& entry : parsed->replacements) {
      if (entry.shortcut.empty() || entry.phrase.empty() || marlinet::hasUnsupportedCharacters(entry.shortcut) ||
          entry.shortcut.front() == ' ' || entry.shortcut.back() == ' ' || !seen.insert(entry.shortcut).second ||
          !marlinet::unicode::isValidUtf8(entry.phrase)) {
        std::abort();
      }
    }
    if (parsed->skippedNonASCII < 0 || parsed->skippedDisabled < 0) std::abort();
  }
  return 0;
}
