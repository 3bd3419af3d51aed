#include "engine/replacement_index.h"

#include <algorithm>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

template <bool takeOver, typename Replacements>
void fileAll(Replacements& replacements, std::unordered_map<std::string, std::vector<Replacement>>& byLowercased,
             std::int64_t& maxLength) {
  byLowercased.reserve(replacements.size());
  std::string key;
  for (auto& replacement : replacements) {
    unicode::lowercaseInto(replacement.shortcut, key);
    // Canonically equivalent spellings are the same shortcut, so they share a key.
    if (!unicode::detail::isAscii(key)) key = unicode::nfc(key);
    maxLength = std::max(maxLength, static_cast<std::int64_t>(unicode::characterCount(replacement.shortcut)));
    if constexpr (takeOver) {
      byLowercased[key].push_back(std::move(replacement));
    } else {
      byLowercased[key].push_back(replacement);
    }
  }
}

}  // namespace

ReplacementIndex::ReplacementIndex(const std::vector<Replacement>& replacements) {
  fileAll<false>(replacements, byLowercased_, maxLength_);
}

ReplacementIndex::ReplacementIndex(std::vector<Replacement>&& replacements) {
  fileAll<true>(replacements, byLowercased_, maxLength_);
}

const std::vector<Replacement>* ReplacementIndex::find(const std::string& lowercasedKey) const {
  const auto found = byLowercased_.find(lowercasedKey);
  return found == byLowercased_.end() ? nullptr : &found->second;
}

}  // namespace marlinet
