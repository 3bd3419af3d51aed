#include "replacements/replacement_parser.h"

#include <unordered_set>

#include "engine/unicode_text.h"
#include "replacements/text_trimming.h"

namespace marlinet {

namespace {

// Applies the cleaning every parser shares and accumulates the outcome.
class ListBuilder {
 public:
  void add(std::string_view rawShortcut, std::string_view phrase) {
    const std::string_view shortcut = trimmedWhitespaceAndNewlines(rawShortcut);
    if (shortcut.empty() || phrase.empty()) return;
    if (hasUnsupportedCharacters(shortcut)) {
      ++result_.skippedNonASCII;
      return;
    }
    if (!seen_.emplace(shortcut).second) return;
    // The phrase is typed as it is; only text that is not even UTF-8 (which
    // the engine cannot segment) is repaired.
    std::string cleanPhrase = unicode::isValidUtf8(phrase) ? std::string(phrase) : unicode::sanitizedUtf8(phrase);
    result_.replacements.push_back(Replacement{std::string(shortcut), std::move(cleanPhrase)});
  }

  void addDisabled() { ++result_.skippedDisabled; }

  ParsedReplacements finish() && { return std::move(result_); }

 private:
  ParsedReplacements result_;
  std::unordered_set<std::string> seen_;
};

bool asciiEqualsIgnoringCase(std::string_view text, std::string_view lowercase) {
  if (text.size() != lowercase.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowercase[i]) return false;
  }
  return true;
}

// A system-shape record, when "replace" and "with" are both texts. Applies
// the "on" test and the cleaning; returns false when the shape does not match.
bool addSystemRecord(const PropertyList& element, ListBuilder& builder) {
  const PropertyList* replace = element.find("replace");
  const PropertyList* with = element.find("with");
  if (replace == nullptr || with == nullptr || replace->text() == nullptr || with->text() == nullptr) return false;
  if (const PropertyList* on = element.find("on"); on != nullptr && isSwitchedOff(*on)) {
    builder.addDisabled();
    return true;
  }
  builder.add(*replace->text(), *with->text());
  return true;
}

std::optional<std::map<std::string, std::string>> textDictionary(const PropertyList::Dictionary& dictionary) {
  std::map<std::string, std::string> entries;
  for (const auto& [key, value] : dictionary) {
    const std::string* text = value.text();
    if (text == nullptr) return std::nullopt;
    entries.emplace_hint(entries.end(), key, *text);
  }
  return entries;
}

}  // namespace

bool isSwitchedOff(const PropertyList& on) {
  if (const auto* boolean = std::get_if<bool>(&on.value)) return !*boolean;
  if (const auto* integer = std::get_if<std::int64_t>(&on.value)) return *integer == 0;
  if (const auto* real = std::get_if<double>(&on.value)) return *real == 0.0;
  if (const std::string* text = on.text()) {
    if (*text == "0" || asciiEqualsIgnoringCase(*text, "false")) return true;
    // Lower-casing is a full Unicode mapping; only a text of ASCII length can end as "false".
    return text->size() <= 10 && unicode::isValidUtf8(*text) && unicode::lowercased(*text) == "false";
  }
  return false;
}

ParsedReplacements parseItems(const std::vector<PropertyList>& items) {
  ListBuilder builder;
  for (const PropertyList& element : items) {
    if (element.dictionary() != nullptr) addSystemRecord(element, builder);
  }
  return std::move(builder).finish();
}

ParsedReplacements parseDictionary(const std::map<std::string, std::string>& entries) {
  // std::map orders by bytes, which for UTF-8 is code-point order.
  ListBuilder builder;
  for (const auto& [shortcut, phrase] : entries) builder.add(shortcut, phrase);
  return std::move(builder).finish();
}

PropertyListParseResult parsePropertyList(std::string_view bytes) try {
  const std::optional<PropertyList> root = decodePropertyList(bytes);
  if (!root) return ReplacementParseError::unreadable;

  if (const PropertyList::Dictionary* dictionary = root->dictionary()) {
    if (auto entries = textDictionary(*dictionary)) return parseDictionary(*entries);
    return ReplacementParseError::unexpectedFormat;
  }
  const PropertyList::Array* array = root->array();
  if (array == nullptr) return ReplacementParseError::unexpectedFormat;
  if (array->empty()) return ParsedReplacements{};

  ListBuilder builder;
  std::int64_t recognised = 0;
  for (const PropertyList& element : *array) {
    if (element.dictionary() == nullptr) continue;
    const PropertyList* shortcut = element.find("shortcut");
    const PropertyList* phrase = element.find("phrase");
    if (shortcut != nullptr && phrase != nullptr && shortcut->text() != nullptr && phrase->text() != nullptr) {
      ++recognised;
      builder.add(*shortcut->text(), *phrase->text());
    } else if (addSystemRecord(element, builder)) {
      ++recognised;
    }
  }
  if (recognised == 0) return ReplacementParseError::unexpectedFormat;
  return std::move(builder).finish();
} catch (...) {
  return ReplacementParseError::unreadable;  // out of memory
}

}  // namespace marlinet
