#include "engine/replacement_index.h"

#include <algorithm>

#include "engine/unicode_text.h"

namespace marlinet {

ReplacementIndex::ReplacementIndex(const std::vector<Replacement>& replacements) {
  byLowercased_.reserve(replacements.size());
  std::string key;
  for (const Replacement& replacement : replacements) {
    unicode::lowercaseInto(replacement.shortcut, key);
    // Canonically equivalent spellings are the same shortcut, so they share a key.
    if (!unicode::detail::isAscii(key)) key = unicode::nfc(key);
    byLowercased_[key].push_back(replacement);
    maxLength_ = std::max(maxLength_, static_cast<std::int64_t>(unicode::characterCount(replacement.shortcut)));
  }
}

const std::vector<Replacement>* ReplacementIndex::find(const std::string& lowercasedKey) const {
  const auto found = byLowercased_.find(lowercasedKey);
  return found == byLowercased_.end() ? nullptr : &found->second;
}

}  // namespace marlinet
