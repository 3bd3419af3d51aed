#pragma once

#include <string_view>

namespace marlinet {

// `text` without the whitespace and line breaks at both ends: general
// category Zs, U+0009...U+000D, U+0085, U+2028 and U+2029. Ill-formed UTF-8
// is never trimmed.
std::string_view trimmedWhitespaceAndNewlines(std::string_view text) noexcept;

}  // namespace marlinet
