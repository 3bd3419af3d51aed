#include "replacements/replacement_parser.h"

#include <algorithm>
#include <new>

#include "engine/unicode_text.h"
#include "replacements/shortcut_set.h"
#include "replacements/text_trimming.h"

namespace marlinet {

namespace {

// Applies the cleaning every parser shares and accumulates the outcome.
// The shortcuts it is given must outlive it: it remembers them to drop repeats.
class ListBuilder {
 public:
  explicit ListBuilder(std::size_t expected) : seen_(expected) {
    result_.replacements.reserve(expected);
  }

  void add(std::string_view rawShortcut, std::string&& phrase) {
    const std::string_view shortcut = trimmedWhitespaceAndNewlines(rawShortcut);
    if (shortcut.empty() || phrase.empty()) return;
    if (hasUnsupportedCharacters(shortcut)) {
      ++result_.skippedNonASCII;
      return;
    }
    if (!seen_.insert(shortcut)) return;
    // The phrase is typed as it is; only text that is not even UTF-8 (which
    // the engine cannot segment) is repaired.
    if (!unicode::isValidUtf8(phrase)) phrase = unicode::sanitizedUtf8(phrase);
    result_.replacements.push_back(Replacement{std::string(shortcut), std::move(phrase)});
  }

  void addDisabled() { ++result_.skippedDisabled; }

  ParsedReplacements finish() && { return std::move(result_); }

 private:
  ParsedReplacements result_;
  ShortcutSet seen_;
};

std::string* textIn(PropertyList& dictionary, std::string_view key) {
  auto& entries = std::get<PropertyList::Dictionary>(dictionary.value);
  const auto found = entries.find(key);
  return found == entries.end() ? nullptr : std::get_if<std::string>(&found->second.value);
}

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
// The phrase is moved out of `element`, which must be a dictionary.
bool addSystemRecord(PropertyList& element, ListBuilder& builder) {
  const std::string* replace = textIn(element, "replace");
  std::string* with = textIn(element, "with");
  if (replace == nullptr || with == nullptr) return false;
  if (const PropertyList* on = element.find("on"); on != nullptr && isSwitchedOff(*on)) {
    builder.addDisabled();
    return true;
  }
  builder.add(*replace, std::move(*with));
  return true;
}

bool holdsOnlyTexts(const PropertyList::Dictionary& dictionary) {
  return std::all_of(dictionary.begin(), dictionary.end(),
                     [](const auto& entry) { return entry.second.text() != nullptr; });
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

ParsedReplacements parseItems(std::vector<PropertyList> items) {
  ListBuilder builder(items.size());
  for (PropertyList& element : items) {
    if (element.dictionary() != nullptr) addSystemRecord(element, builder);
  }
  return std::move(builder).finish();
}

ParsedReplacements parseDictionary(const std::map<std::string, std::string>& entries) {
  // std::map orders by bytes, which for UTF-8 is code-point order.
  ListBuilder builder(entries.size());
  for (const auto& [shortcut, phrase] : entries) builder.add(shortcut, std::string(phrase));
  return std::move(builder).finish();
}

PropertyListParseResult parsePropertyList(std::string_view bytes) try {
  std::optional<PropertyList> root = decodePropertyList(bytes);
  if (!root) return ReplacementParseError::unreadable;

  if (auto* dictionary = std::get_if<PropertyList::Dictionary>(&root->value)) {
    if (!holdsOnlyTexts(*dictionary)) return ReplacementParseError::unexpectedFormat;
    // The phrases are moved out of the decoded file, not copied: a large list
    // would otherwise be held twice over. The map's byte order is code-point order.
    ListBuilder builder(dictionary->size());
    for (auto& [shortcut, phrase] : *dictionary) builder.add(shortcut, std::move(std::get<std::string>(phrase.value)));
    return std::move(builder).finish();
  }
  auto* array = std::get_if<PropertyList::Array>(&root->value);
  if (array == nullptr) return ReplacementParseError::unexpectedFormat;
  if (array->empty()) return ParsedReplacements{};

  ListBuilder builder(array->size());
  std::int64_t recognised = 0;
  for (PropertyList& element : *array) {
    if (element.dictionary() == nullptr) continue;
    const std::string* shortcut = textIn(element, "shortcut");
    std::string* phrase = textIn(element, "phrase");
    if (shortcut != nullptr && phrase != nullptr) {
      ++recognised;
      builder.add(*shortcut, std::move(*phrase));
    } else if (addSystemRecord(element, builder)) {
      ++recognised;
    }
  }
  if (recognised == 0) return ReplacementParseError::unexpectedFormat;
  return std::move(builder).finish();
} catch (const std::bad_alloc&) {
  return ReplacementParseError::unreadable;  // out of memory
}

}  // namespace marlinet
