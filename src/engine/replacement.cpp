#include "engine/replacement.h"

#include "engine/unicode_text.h"

#include <string_view>

namespace marlinet {

bool operator==(const Replacement& a, const Replacement& b) {
  return unicode::canonicallyEqual(a.shortcut, b.shortcut) && unicode::canonicallyEqual(a.phrase, b.phrase);
}

std::size_t ReplacementHash::operator()(const Replacement& replacement) const {
  // Hash the normalised forms so that equivalent spellings hash alike.
  const std::hash<std::string_view> hashText;
  std::size_t seed = hashText(unicode::nfc(replacement.shortcut));
  const std::size_t phraseHash = hashText(unicode::nfc(replacement.phrase));
  seed ^= phraseHash + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
  return seed;
}

}  // namespace marlinet
