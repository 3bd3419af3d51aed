#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/replacement.h"

namespace marlinet {

// Every replacement filed under its shortcut folded to lowercase (and
// composed, so canonically equivalent spellings share a key), in input
// order, plus the length (in characters) of the longest shortcut. Filters
// nothing: cleaning happens before a list gets here.
class ReplacementIndex {
 public:
  ReplacementIndex() = default;
  explicit ReplacementIndex(const std::vector<Replacement>& replacements);
  // Takes the replacements over instead of copying them.
  explicit ReplacementIndex(std::vector<Replacement>&& replacements);
  ReplacementIndex(std::initializer_list<Replacement> replacements)
      : ReplacementIndex(std::vector<Replacement>(replacements)) {}

  const std::unordered_map<std::string, std::vector<Replacement>>& byLowercased() const { return byLowercased_; }
  std::int64_t maxLength() const { return maxLength_; }

  // The list filed under an already-lowercased, NFC key, or nullptr.
  const std::vector<Replacement>* find(const std::string& lowercasedKey) const;

  friend bool operator==(const ReplacementIndex&, const ReplacementIndex&) = default;

 private:
  std::unordered_map<std::string, std::vector<Replacement>> byLowercased_;
  std::int64_t maxLength_ = 0;
};

}  // namespace marlinet
