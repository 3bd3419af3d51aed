#include "replacements/system_replacements.h"

#include <new>

#include "replacements/replacement_parser.h"

namespace marlinet {

std::pair<ParsedReplacements, SystemListSource> readSystemReplacements(const SystemReplacementReading& reader) try {
  if (auto items = reader.globalReplacementItems(); items && !items->empty()) {
    ParsedReplacements parsed = parseItems(std::move(*items));
    if (!parsed.replacements.empty() || parsed.skippedNonASCII + parsed.skippedDisabled > 0) {
      return {std::move(parsed), SystemListSource::globalDefaults};
    }
  }
  if (const auto map = reader.spellCheckerReplacements(); !map.empty()) {
    return {parseDictionary(map), SystemListSource::spellChecker};
  }
  return {ParsedReplacements{}, SystemListSource::none};
} catch (const std::bad_alloc&) {
  return {ParsedReplacements{}, SystemListSource::none};  // out of memory
}

const std::pair<ParsedReplacements, SystemListSource>& SystemListCache::read(const SystemReplacementReading& reader) {
  std::optional<std::string> revision = reader.revision();
  if (revision && revision == revision_) return last_;
  last_ = readSystemReplacements(reader);
  ++generation_;
  // Taken before the read: an edit made during it shows at the next reload.
  revision_ = std::move(revision);
  return last_;
}

}  // namespace marlinet
