#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "replacements/parsed_replacements.h"
#include "replacements/property_list.h"

namespace marlinet {

// Where the system keeps the user's text replacements.
class SystemReplacementReading {
 public:
  virtual ~SystemReplacementReading() = default;

  // The global list of records, when it exists and is an array.
  virtual std::optional<std::vector<PropertyList>> globalReplacementItems() const = 0;
  // The spell checker's map from shortcut to phrase, possibly empty.
  virtual std::map<std::string, std::string> spellCheckerReplacements() const = 0;
  // A token that changes whenever what the two operations answer may have
  // changed; none when that cannot be told cheaply.
  virtual std::optional<std::string> revision() const { return std::nullopt; }
};

// The global list when it yields anything (a replacement or a counted skip),
// else the spell checker's map when it is not empty, else nothing.
std::pair<ParsedReplacements, SystemListSource> readSystemReplacements(const SystemReplacementReading& reader);

// The system list as `readSystemReplacements` answers it, parsed again only
// when the reader's revision has changed since the last read. The list is
// re-read every time the status menu opens, and a large list takes longer to
// parse than opening a menu may.
class SystemListCache final {
 public:
  const std::pair<ParsedReplacements, SystemListSource>& read(const SystemReplacementReading& reader);
  // Counts the parses, so a caller can tell whether the last read changed anything.
  std::uint64_t generation() const { return generation_; }

 private:
  std::uint64_t generation_ = 0;
  std::optional<std::string> revision_;
  std::pair<ParsedReplacements, SystemListSource> last_{ParsedReplacements{}, SystemListSource::none};
};

}  // namespace marlinet
