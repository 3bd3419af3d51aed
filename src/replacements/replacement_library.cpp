#include "replacements/replacement_library.h"

#include <limits>
#include <string_view>

#include "replacements/shortcut_set.h"

namespace marlinet {

bool hasUnsupportedCharacters(std::string_view shortcut) noexcept {
  // Every byte of a multi-byte UTF-8 sequence is 0x80 or above, so testing
  // bytes is the same as testing scalars, and ill-formed text is refused too.
  for (const char c : shortcut) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) return true;
  }
  return false;
}

std::vector<Replacement> ReplacementLibrary::merged() const {
  std::vector<Replacement> result;
  result.reserve(system.replacements.size() + imported.replacements.size());
  ShortcutSet seen(result.capacity());
  for (const Replacement& entry : system.replacements) {
    result.push_back(entry);
    seen.insert(entry.shortcut);
  }
  for (const Replacement& entry : imported.replacements) {
    if (seen.insert(entry.shortcut)) result.push_back(entry);
  }
  return result;
}

ReplacementSummary makeSummary(const ReplacementLibrary& library, SystemListSource source,
                               std::optional<Date> importedAt) {
  ReplacementSummary summary;
  summary.count = static_cast<std::int64_t>(library.merged().size());
  summary.systemCount = static_cast<std::int64_t>(library.system.replacements.size());
  summary.importedCount = static_cast<std::int64_t>(library.imported.replacements.size());
  // Counts from a hand-edited stored file may be anything; saturate rather than overflow.
  std::int64_t skipped = 0;
  if (__builtin_add_overflow(library.system.skippedNonASCII, library.imported.skippedNonASCII, &skipped)) {
    skipped = library.imported.skippedNonASCII > 0 ? std::numeric_limits<std::int64_t>::max()
                                                   : std::numeric_limits<std::int64_t>::min();
  }
  summary.skippedNonASCII = skipped;
  summary.source = source;
  summary.importedAt = importedAt;
  return summary;
}

}  // namespace marlinet
