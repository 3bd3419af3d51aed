#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/replacement.h"
#include "replacements/date.h"
#include "replacements/parsed_replacements.h"

namespace marlinet {

// The two lists the application keeps: the system's own and an imported one.
struct ReplacementLibrary {
  ParsedReplacements system;
  ParsedReplacements imported;

  // System entries first, in order; then each imported entry whose shortcut
  // is not yet taken (exact comparison). Recomputed on every call.
  std::vector<Replacement> merged() const;

  friend bool operator==(const ReplacementLibrary&, const ReplacementLibrary&) = default;
};

// Counts shown by the status menu and the settings window.
struct ReplacementSummary {
  std::int64_t count = 0;          // entries in the merged list
  std::int64_t systemCount = 0;
  std::int64_t importedCount = 0;
  std::int64_t skippedNonASCII = 0;  // both lists together
  SystemListSource source = SystemListSource::none;
  std::optional<Date> importedAt;

  friend bool operator==(const ReplacementSummary&, const ReplacementSummary&) = default;
};

ReplacementSummary makeSummary(const ReplacementLibrary& library, SystemListSource source,
                               std::optional<Date> importedAt);

}  // namespace marlinet
