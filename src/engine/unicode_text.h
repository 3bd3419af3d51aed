#pragma once

// Unicode text services shared by every subsystem. Strings are UTF-8 at every
// interface; "character" always means an extended grapheme cluster. Case
// mappings are the full, locale-independent (root) mappings.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marlinet::unicode {

// True when `text` is well-formed UTF-8.
bool isValidUtf8(std::string_view text) noexcept;

// `text` with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string sanitizedUtf8(std::string_view text);

// Calls `visit(std::string_view character)` for each extended grapheme cluster
// of `text`, in order. `text` must be valid UTF-8. Does not allocate once the
// thread's segmenter exists.
template <typename Visitor>
void forEachCharacter(std::string_view text, Visitor&& visit);

// Byte offsets of the cluster boundaries of `text`, including 0 and size().
// Used by forEachCharacter; exposed for callers that need positions.
void characterBoundaries(std::string_view text, std::vector<std::size_t>& boundaries);

std::size_t characterCount(std::string_view text);
std::vector<std::string> characters(std::string_view text);

// Decodes the first scalar of `text` (U+FFFD for an ill-formed start, 0 for empty text).
char32_t firstScalar(std::string_view text) noexcept;
std::vector<char32_t> scalars(std::string_view text);
// Whether any scalar of `text` satisfies `test` (ill-formed sequences are
// tested as U+FFFD); stops at the first that does and allocates nothing.
bool anyScalar(std::string_view text, bool (*test)(char32_t)) noexcept;

// Properties of a character (judged by its first scalar, as for letters and numbers).
bool isLetter(std::string_view character) noexcept;
bool isNumber(std::string_view character) noexcept;
// A single scalar with the Uppercase property, or a longer cluster that is
// unchanged by uppercase mapping but changed by lowercase mapping.
bool isUppercase(std::string_view character);

std::string lowercased(std::string_view text);
std::string uppercased(std::string_view text);
// Lowercases into `out`, reusing its capacity (no allocation for ASCII text
// that fits).
void lowercaseInto(std::string_view text, std::string& out);

// Canonical equivalence (NFC) without case folding.
bool canonicallyEqual(std::string_view a, std::string_view b);
std::string nfc(std::string_view text);

std::u16string toUtf16(std::string_view text);
std::string fromUtf16(std::u16string_view text);  // lone surrogates become U+FFFD
void appendScalar(std::string& out, char32_t scalar);

// ---------------------------------------------------------------------------

namespace detail {
std::vector<std::size_t>& scratchBoundaries();
bool isAscii(std::string_view text) noexcept;
}  // namespace detail

template <typename Visitor>
void forEachCharacter(std::string_view text, Visitor&& visit) {
  if (detail::isAscii(text)) {
    // CR LF is the only multi-byte cluster in ASCII.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        visit(text.substr(i, 2));
        ++i;
      } else {
        visit(text.substr(i, 1));
      }
    }
    return;
  }
  // Each call takes its own vector so that a visitor may itself segment text.
  std::vector<std::size_t> bounds;
  bounds.swap(detail::scratchBoundaries());
  characterBoundaries(text, bounds);
  for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
    visit(text.substr(bounds[i], bounds[i + 1] - bounds[i]));
  }
  bounds.swap(detail::scratchBoundaries());
}

}  // namespace marlinet::unicode
