#include "replacements/text_trimming.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace marlinet {

namespace {

bool isWhitespaceOrNewline(UChar32 scalar) noexcept {
  if (scalar < 0) return false;
  if ((scalar >= 0x09 && scalar <= 0x0D) || scalar == 0x85 || scalar == 0x2028 || scalar == 0x2029) return true;
  return u_charType(scalar) == U_SPACE_SEPARATOR;
}

}  // namespace

std::string_view trimmedWhitespaceAndNewlines(std::string_view text) noexcept {
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return text;  // beyond ICU's offsets; never a shortcut
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t start = 0;
  while (start < length) {
    std::int32_t next = start;
    UChar32 scalar = 0;
    U8_NEXT(bytes, next, length, scalar);
    if (!isWhitespaceOrNewline(scalar)) break;
    start = next;
  }
  std::int32_t end = length;
  while (end > start) {
    std::int32_t previous = end;
    UChar32 scalar = 0;
// ICU's macro casts in the old style.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
    U8_PREV(bytes, start, previous, scalar);
#pragma GCC diagnostic pop
    if (!isWhitespaceOrNewline(scalar)) break;
    end = previous;
  }
  return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

}  // namespace marlinet
