#include "engine/expansion_engine.h"

#include <algorithm>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

constexpr std::size_t kMinimumBufferLimit = 64;

bool isDelimiter(std::string_view s) { return s.size() == 1 && delimiters.find(s.front()) != std::string_view::npos; }

bool containsUppercase(std::string_view text) {
  bool found = false;
  unicode::forEachCharacter(text, [&](std::string_view c) { found = found || unicode::isUppercase(c); });
  return found;
}

}  // namespace

std::string capitalizingFirstLetter(std::string_view phrase) {
  std::string result;
  bool done = false;
  unicode::forEachCharacter(phrase, [&](std::string_view c) {
    if (!done && unicode::isLetter(c)) {
      result += unicode::uppercased(c);
      done = true;
    } else {
      result += c;
    }
  });
  return result;
}

std::optional<std::string> adaptedPhrase(std::string_view typed, const Replacement& replacement) {
  if (unicode::canonicallyEqual(typed, replacement.shortcut)) return replacement.phrase;
  if (!unicode::canonicallyEqual(unicode::lowercased(typed), unicode::lowercased(replacement.shortcut))) {
    return std::nullopt;
  }
  // A shortcut written with capitals expands only as written.
  if (containsUppercase(replacement.shortcut)) return std::nullopt;

  std::size_t letters = 0;
  std::size_t uppercaseLetters = 0;
  bool firstIsUppercase = false;
  unicode::forEachCharacter(typed, [&](std::string_view c) {
    if (!unicode::isLetter(c)) return;
    const bool upper = unicode::isUppercase(c);
    if (letters == 0) firstIsUppercase = upper;
    ++letters;
    if (upper) ++uppercaseLetters;
  });
  if (letters > 1 && uppercaseLetters == letters) return unicode::uppercased(replacement.phrase);
  if (letters > 0 && firstIsUppercase && uppercaseLetters == 1) return capitalizingFirstLetter(replacement.phrase);
  return replacement.phrase;
}

ExpansionEngine::ExpansionEngine(ReplacementIndex index) { setIndex(std::move(index)); }

void ExpansionEngine::setIndex(ReplacementIndex index) {
  index_ = std::move(index);
  const auto limit = std::max<std::size_t>(kMinimumBufferLimit, static_cast<std::size_t>(index_.maxLength()) + 1);
  slots_.assign(limit, std::string());
  candidate_.reserve(64);
  candidateKey_.reserve(64);
  head_ = 0;
  size_ = 0;
}

std::vector<std::string> ExpansionEngine::buffer() const {
  std::vector<std::string> result;
  result.reserve(size_);
  for (std::size_t i = 0; i < size_; ++i) result.push_back(at(i));
  return result;
}

void ExpansionEngine::append(std::string_view character) {
  if (size_ < slots_.size()) {
    slots_[(head_ + size_) % slots_.size()].assign(character);
    ++size_;
  } else {
    // Full: the new character takes the oldest one's slot.
    slots_[head_].assign(character);
    head_ = (head_ + 1) % slots_.size();
  }
}

void ExpansionEngine::dropLast() noexcept {
  if (size_ > 0) --size_;
}

void ExpansionEngine::appendText(std::string_view text) {
  if (unicode::isValidUtf8(text)) {
    unicode::forEachCharacter(text, [this](std::string_view c) { append(c); });
  } else {
    const std::string clean = unicode::sanitizedUtf8(text);
    unicode::forEachCharacter(clean, [this](std::string_view c) { append(c); });
  }
}

std::optional<Expansion> ExpansionEngine::feed(const TypedInput& input) {
  switch (input.kind) {
    case TypedInput::Kind::deleteBackward:
      dropLast();
      return std::nullopt;
    case TypedInput::Kind::reset:
      clearBuffer();
      return std::nullopt;
    case TypedInput::Kind::text:
      break;
  }
  const std::string& s = input.text;
  if (s.empty()) return std::nullopt;
  if (isDelimiter(s)) {
    if (auto match = findMatch()) {
      // The delimiter stays as the boundary before the next word.
      clearBuffer();
      append(s);
      return Expansion{std::move(match->typed), std::move(match->phrase), match->length, s};
    }
  }
  appendText(s);
  return std::nullopt;
}

std::optional<ExpansionEngine::Match> ExpansionEngine::findMatch() {
  if (index_.byLowercased().empty()) return std::nullopt;
  const std::size_t n = size_;
  const auto longest = std::min<std::size_t>(n, static_cast<std::size_t>(index_.maxLength()));
  for (std::size_t length = longest; length >= 1; --length) {
    const std::size_t start = n - length;
    if (start > 0) {
      const std::string& before = at(start - 1);
      if (unicode::isLetter(before) || unicode::isNumber(before)) continue;  // inside a word
    }
    candidate_.clear();
    for (std::size_t i = start; i < n; ++i) candidate_ += at(i);
    unicode::lowercaseInto(candidate_, candidateKey_);
    if (!unicode::detail::isAscii(candidateKey_)) candidateKey_ = unicode::nfc(candidateKey_);
    const std::vector<Replacement>* list = index_.find(candidateKey_);
    if (list == nullptr) continue;
    for (const Replacement& replacement : *list) {
      if (unicode::canonicallyEqual(replacement.shortcut, candidate_)) {
        return Match{candidate_, replacement.phrase, static_cast<std::int64_t>(length)};
      }
    }
    for (const Replacement& replacement : *list) {
      if (auto phrase = adaptedPhrase(candidate_, replacement)) {
        return Match{candidate_, std::move(*phrase), static_cast<std::int64_t>(length)};
      }
    }
  }
  return std::nullopt;
}

}  // namespace marlinet
