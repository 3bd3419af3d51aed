// Feeds arbitrary bytes to the espanso reader: it must neither crash, hang,
// throw nor hand out anything that breaks the rules every parsed entry obeys.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unordered_set>

#include "engine/unicode_text.h"
#include "replacements/espanso_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto result = marlinet::readEspansoMatches(bytes);
  if (const auto* list = std::get_if<marlinet::ForeignList>(&result)) {
    std::unordered_set<std::string_view> seen;
    for (const auto& entry : list->parsed.replacements) {
      if (entry.shortcut.empty() || entry.phrase.empty() || marlinet::hasUnsupportedCharacters(entry.shortcut) ||
          entry.shortcut.front() == ' ' || entry.shortcut.back() == ' ' || !seen.insert(entry.shortcut).second ||
          !marlinet::unicode::isValidUtf8(entry.phrase) || entry.phrase.find("{{") != std::string::npos) {
        std::abort();
      }
    }
    if (list->skippedUnsupported < 0 || list->parsed.skippedNonASCII < 0 || list->parsed.skippedDisabled != 0) {
      std::abort();
    }
  }
  return 0;
}
