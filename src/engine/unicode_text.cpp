#include "engine/unicode_text.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucasemap.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace marlinet::unicode {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct UCaseMapCloser {
  void operator()(UCaseMap* map) const noexcept { ucasemap_close(map); }
};
using CaseMapPtr = std::unique_ptr<UCaseMap, UCaseMapCloser>;

struct UTextCloser {
  void operator()(UText* text) const noexcept { utext_close(text); }
};

// One segmenter and one case map per thread, made on first use: creating them
// is far more expensive than using them.
icu::BreakIterator* characterSegmenter() {
  thread_local std::unique_ptr<icu::BreakIterator> segmenter = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) made.reset();
    return made;
  }();
  return segmenter.get();
}

UCaseMap* rootCaseMap() {
  thread_local CaseMapPtr map = [] {
    UErrorCode status = U_ZERO_ERROR;
    CaseMapPtr made(ucasemap_open("", 0, &status));
    if (U_FAILURE(status)) made.reset();
    return made;
  }();
  return map.get();
}

using CaseFunction = int32_t (*)(const UCaseMap*, char*, int32_t, const char*, int32_t, UErrorCode*);

void mapCaseInto(CaseFunction function, std::string_view text, std::string& out) {
  UCaseMap* map = rootCaseMap();
  if (map == nullptr || text.size() > INT32_MAX / 4) {
    out.assign(text);
    return;
  }
  // Full mappings grow text by at most a factor of three; try the likely size first.
  out.resize(text.size() + text.size() / 2 + 8);
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = function(map, out.data(), static_cast<int32_t>(out.size()), text.data(),
                            static_cast<int32_t>(text.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(length));
    status = U_ZERO_ERROR;
    length = function(map, out.data(), static_cast<int32_t>(out.size()), text.data(),
                      static_cast<int32_t>(text.size()), &status);
  }
  if (U_FAILURE(status)) {
    out.assign(text);
    return;
  }
  out.resize(static_cast<std::size_t>(length));
}

void asciiLowercaseInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

}  // namespace

namespace detail {

std::vector<std::size_t>& scratchBoundaries() {
  thread_local std::vector<std::size_t> scratch;
  return scratch;
}

bool isAscii(std::string_view text) noexcept {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace detail

bool isValidUtf8(std::string_view text) noexcept {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int64_t>(text.size());
  int64_t i = 0;
  while (i < length) {
    // Runs of ASCII are the common case: eight bytes at a time.
    std::uint64_t word = 0;
    while (i + 8 <= length && (std::memcpy(&word, bytes + i, 8), (word & 0x8080808080808080ULL) == 0)) i += 8;
    if (i == length) break;
    if (bytes[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string sanitizedUtf8(std::string_view text) {
  if (isValidUtf8(text)) return std::string(text);
  std::string out;
  out.reserve(text.size() + 8);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int64_t>(text.size());
  int64_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    appendScalar(out, c < 0 ? kReplacement : static_cast<char32_t>(c));
  }
  return out;
}

void characterBoundaries(std::string_view text, std::vector<std::size_t>& boundaries) {
  boundaries.clear();
  boundaries.push_back(0);
  if (text.empty()) return;
  icu::BreakIterator* segmenter = characterSegmenter();
  if (segmenter == nullptr || text.size() > INT32_MAX) {
    // Without ICU data fall back to scalar boundaries, which is never unsafe.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int64_t>(text.size());
    int64_t i = 0;
    while (i < length) {
      UChar32 c;
      U8_NEXT(bytes, i, length, c);
      boundaries.push_back(static_cast<std::size_t>(i));
    }
    return;
  }
  UErrorCode status = U_ZERO_ERROR;
  UText stackText = UTEXT_INITIALIZER;
  std::unique_ptr<UText, UTextCloser> utext(
      utext_openUTF8(&stackText, text.data(), static_cast<int64_t>(text.size()), &status));
  if (U_FAILURE(status)) {
    boundaries.push_back(text.size());
    return;
  }
  segmenter->setText(utext.get(), status);
  if (U_FAILURE(status)) {
    boundaries.push_back(text.size());
    return;
  }
  segmenter->first();
  for (int32_t next = segmenter->next(); next != icu::BreakIterator::DONE; next = segmenter->next()) {
    boundaries.push_back(static_cast<std::size_t>(next));
  }
  if (boundaries.back() != text.size()) boundaries.push_back(text.size());
}

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  forEachCharacter(text, [&](std::string_view) { ++count; });
  return count;
}

std::vector<std::string> characters(std::string_view text) {
  std::vector<std::string> result;
  forEachCharacter(text, [&](std::string_view c) { result.emplace_back(c); });
  return result;
}

char32_t firstScalar(std::string_view text) noexcept {
  if (text.empty()) return 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  int64_t i = 0;
  UChar32 c;
  U8_NEXT(bytes, i, static_cast<int64_t>(text.size()), c);
  return c < 0 ? kReplacement : static_cast<char32_t>(c);
}

std::vector<char32_t> scalars(std::string_view text) {
  std::vector<char32_t> result;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int64_t>(text.size());
  int64_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    result.push_back(c < 0 ? kReplacement : static_cast<char32_t>(c));
  }
  return result;
}

bool anyScalar(std::string_view text, bool (*test)(char32_t)) noexcept {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int64_t>(text.size());
  int64_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (test(c < 0 ? kReplacement : static_cast<char32_t>(c))) return true;
  }
  return false;
}

bool isLetter(std::string_view character) noexcept {
  if (character.empty()) return false;
  const auto c = static_cast<unsigned char>(character.front());
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return u_hasBinaryProperty(static_cast<UChar32>(firstScalar(character)), UCHAR_ALPHABETIC) != 0;
}

bool isNumber(std::string_view character) noexcept {
  if (character.empty()) return false;
  const auto c = static_cast<unsigned char>(character.front());
  if (c < 0x80) return c >= '0' && c <= '9';
  return u_getIntPropertyValue(static_cast<UChar32>(firstScalar(character)), UCHAR_NUMERIC_TYPE) !=
         U_NT_NONE;
}

bool isUppercase(std::string_view character) {
  if (character.empty()) return false;
  const auto first = static_cast<unsigned char>(character.front());
  if (character.size() == 1 && first < 0x80) return first >= 'A' && first <= 'Z';
  const char32_t scalar = firstScalar(character);
  std::string encoded;
  appendScalar(encoded, scalar);
  if (encoded.size() == character.size()) {
    return u_hasBinaryProperty(static_cast<UChar32>(scalar), UCHAR_UPPERCASE) != 0;
  }
  return uppercased(character) == character && lowercased(character) != character;
}

std::string lowercased(std::string_view text) {
  std::string out;
  lowercaseInto(text, out);
  return out;
}

void lowercaseInto(std::string_view text, std::string& out) {
  if (detail::isAscii(text)) {
    asciiLowercaseInto(text, out);
    return;
  }
  mapCaseInto(&ucasemap_utf8ToLower, text, out);
}

std::string uppercased(std::string_view text) {
  std::string out;
  if (detail::isAscii(text)) {
    out.assign(text);
    for (char& c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
  }
  mapCaseInto(&ucasemap_utf8ToUpper, text, out);
  return out;
}

std::string nfc(std::string_view text) {
  if (detail::isAscii(text)) return std::string(text);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* normalizer = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status) || normalizer == nullptr || text.size() > INT32_MAX) return std::string(text);
  const icu::StringPiece piece(text.data(), static_cast<int32_t>(text.size()));
  if (normalizer->isNormalizedUTF8(piece, status) && U_SUCCESS(status)) return std::string(text);
  status = U_ZERO_ERROR;
  std::string out;
  icu::StringByteSink<std::string> sink(&out);
  normalizer->normalizeUTF8(0, piece, sink, nullptr, status);
  if (U_FAILURE(status)) return std::string(text);
  return out;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (detail::isAscii(a) && detail::isAscii(b)) return false;
  return nfc(a) == nfc(b);
}

std::u16string toUtf16(std::string_view text) {
  if (text.empty() || text.size() > INT32_MAX / 2) return {};
  std::u16string out(text.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                       text.data(), static_cast<int32_t>(text.size()), static_cast<UChar32>(kReplacement),
                       nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::string fromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
      } else {
        c = kReplacement;
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      c = kReplacement;
    }
    appendScalar(out, c);
  }
  return out;
}

void appendScalar(std::string& out, char32_t scalar) {
  if (scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) scalar = kReplacement;
  if (scalar < 0x80) {
    out.push_back(static_cast<char>(scalar));
  } else if (scalar < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (scalar >> 6)));
    out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
  } else if (scalar < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (scalar >> 12)));
    out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (scalar >> 18)));
    out.push_back(static_cast<char>(0x80 | ((scalar >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
  }
}

}  // namespace marlinet::unicode
