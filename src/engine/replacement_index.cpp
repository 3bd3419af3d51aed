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
  sortKeys();
}

ReplacementIndex::ReplacementIndex(std::vector<Replacement>&& replacements) {
  fileAll<true>(replacements, byLowercased_, maxLength_);
  sortKeys();
}

void ReplacementIndex::sortKeys() {
  sortedKeys_.reserve(byLowercased_.size());
  for (const auto& [key, list] : byLowercased_) sortedKeys_.push_back(key);
  std::sort(sortedKeys_.begin(), sortedKeys_.end());
}

bool ReplacementIndex::hasKeyStartingWith(std::string_view lowercasedPrefix) const {
  // The first key not below the prefix is the only one that can begin with it.
  const auto next = std::lower_bound(sortedKeys_.begin(), sortedKeys_.end(), lowercasedPrefix);
  return next != sortedKeys_.end() && std::string_view(*next).starts_with(lowercasedPrefix);
}

const std::vector<Replacement>* ReplacementIndex::find(const std::string& lowercasedKey) const {
  const auto found = byLowercased_.find(lowercasedKey);
  return found == byLowercased_.end() ? nullptr : &found->second;
}

}  // namespace marlinet
