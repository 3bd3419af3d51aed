#include "replacements/autokey_reader.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <map>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>
#include <utility>

#include "replacements/json_nesting.h"
#include "replacements/property_list.h"

namespace marlinet {

namespace fs = std::filesystem;

namespace {

// Metadata nests three levels; a deep nest costs far more as a tree than as text.
constexpr int maxMetadataNesting = 32;

using Json = nlohmann::json;

bool flag(const Json& object, const char* key, bool fallback) {
  const auto found = object.find(key);
  return found != object.end() && found->is_boolean() ? found->get<bool>() : fallback;
}

bool triggersOnAbbreviation(const Json& metadata) {
  const auto modes = metadata.find("modes");
  if (modes == metadata.end() || !modes->is_array()) return false;
  // Mode 1 is "abbreviation"; the others are hotkeys and such.
  return std::any_of(modes->begin(), modes->end(),
                     [](const Json& mode) { return mode.is_number_integer() && mode.get<std::int64_t>() == 1; });
}

// A phrase limited to some windows would expand everywhere once imported.
bool hasWindowFilter(const Json& metadata) {
  const auto filter = metadata.find("filter");
  if (filter == metadata.end() || !filter->is_object()) return false;
  const auto regex = filter->find("regex");
  return regex != filter->end() && regex->is_string() && !regex->get_ref<const std::string&>().empty();
}

std::vector<std::string> abbreviationsOf(const Json& abbreviation) {
  std::vector<std::string> texts;
  if (const auto list = abbreviation.find("abbreviations"); list != abbreviation.end() && list->is_array()) {
    for (const Json& text : *list) {
      if (text.is_string()) texts.push_back(text.get<std::string>());
    }
  }
  // Older metadata holds a single "abbreviation" text.
  if (const auto single = abbreviation.find("abbreviation"); single != abbreviation.end() && single->is_string()) {
    texts.push_back(single->get<std::string>());
  }
  return texts;
}

bool isNameCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

// The macros AutoKey expands in a phrase and the keys it presses for a name in angle brackets.
bool isActionName(std::string_view name) {
  static constexpr std::string_view names[] = {
      "cursor", "date",  "file",   "script",   "clipboard", "selection", "system",    "enter",     "tab",
      "backspace", "escape", "delete", "insert", "home",    "end",       "page_up",   "page_down", "up",
      "down",   "left",  "right",  "ctrl",     "alt",       "alt_gr",    "shift",     "super",     "hyper",
      "meta",   "menu",  "pause",  "capslock", "numlock",   "scroll_lock", "print_screen", "space"};
  if (std::find(std::begin(names), std::end(names), name) != std::end(names)) return true;
  const auto numbered = [&](std::string_view prefix) {
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  return numbered("f") || numbered("code") || name.starts_with("np_");
}

struct TooLarge {};
struct Unlistable {};

// Walks the folder tree, collecting records in the system shape for parseItems.
class FolderWalk {
 public:
  explicit FolderWalk(const FileSystem& files) : files_(files) {}

  void walk(const fs::path& folder, int depth) {
    if (depth > maxAutoKeyDepth) throw TooLarge{};
    struct Files {
      bool metadata = false, text = false, script = false;
    };
    std::map<std::string, Files> items;  // by name, so the order does not depend on the listing
    std::vector<fs::path> subfolders;

    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
      if (++entries_ > maxAutoKeyEntries) throw TooLarge{};
      const fs::path& path = it->path();
      const std::string name = path.filename().string();
      std::error_code statusError;
      // The link's own status: a folder reached through a link is never entered.
      if (fs::is_directory(it->symlink_status(statusError))) {
        if (!name.starts_with('.')) subfolders.push_back(path);
        continue;
      }
      if (!fs::is_regular_file(it->status(statusError))) continue;
      if (name.size() > 6 && name.starts_with('.') && name.ends_with(".json")) {
        items[name.substr(1, name.size() - 6)].metadata = true;
      } else if (name.size() > 4 && name.ends_with(".txt")) {
        items[name.substr(0, name.size() - 4)].text = true;
      } else if (name.size() > 3 && name.ends_with(".py")) {
        items[name.substr(0, name.size() - 3)].script = true;
      }
    }
    if (error) throw Unlistable{};

    for (const auto& [name, present] : items) {
      AutoKeyItem item;
      if (present.metadata) {
        if (const auto json = read(folder / ("." + name + ".json"))) item = readAutoKeyMetadata(*json);
      }
      if (item.kind != AutoKeyItem::Kind::unknown) ++recognised_;
      if (item.kind == AutoKeyItem::Kind::phrase) {
        addPhrase(folder / (name + ".txt"), item.abbreviations);
      } else if (item.kind == AutoKeyItem::Kind::unsupported ||
                 (item.kind == AutoKeyItem::Kind::unknown && (present.text || present.script))) {
        ++unsupported_;  // a script, or a phrase with nothing Marlinet can trigger it by
      }
    }

    std::sort(subfolders.begin(), subfolders.end());
    for (const fs::path& subfolder : subfolders) walk(subfolder, depth + 1);
  }

  ForeignListResult finish() && {
    if (recognised_ == 0) return ReplacementParseError::unexpectedFormat;
    return ForeignList{parseItems(std::move(records_)), unsupported_};
  }

 private:
  void addPhrase(const fs::path& textFile, const std::vector<std::string>& abbreviations) {
    const std::optional<std::string> text = read(textFile);
    if (!text || hasAutoKeyMacros(*text)) {
      ++unsupported_;
      return;
    }
    for (const std::string& abbreviation : abbreviations) {
      copied_ += abbreviation.size() + text->size();
      if (records_.size() >= maxForeignRecords || copied_ > maxForeignCopiedBytes) throw TooLarge{};
      records_.push_back(PropertyList(PropertyList::Dictionary{{"replace", abbreviation}, {"with", *text}}));
    }
  }

  // A file's content; absent when it is missing or over the size of one item.
  std::optional<std::string> read(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > maxAutoKeyFileSize) return std::nullopt;
    std::optional<std::string> bytes = files_.readFile(path);
    if (bytes) {
      totalRead_ += bytes->size();
      if (totalRead_ > maxAutoKeyTotalSize) throw TooLarge{};
    }
    return bytes;
  }

  const FileSystem& files_;
  std::vector<PropertyList> records_;
  std::int64_t unsupported_ = 0;
  std::int64_t recognised_ = 0;
  std::size_t entries_ = 0;
  std::size_t totalRead_ = 0;
  std::size_t copied_ = 0;
};

}  // namespace

AutoKeyItem readAutoKeyMetadata(std::string_view json) try {
  using Kind = AutoKeyItem::Kind;
  if (json.size() > maxAutoKeyFileSize || jsonNesting(json) > maxMetadataNesting) return {};
  const Json metadata = Json::parse(json, nullptr, false);
  if (metadata.is_discarded() || !metadata.is_object()) return {};
  const auto type = metadata.find("type");
  if (type == metadata.end() || !type->is_string()) return {};
  const std::string& name = type->get_ref<const std::string&>();
  if (name == "folder") return {Kind::folder, {}};
  if (name == "script") return {Kind::unsupported, {}};
  if (name != "phrase") return {};

  const AutoKeyItem unsupported{Kind::unsupported, {}};
  const auto abbreviation = metadata.find("abbreviation");
  if (!triggersOnAbbreviation(metadata) || abbreviation == metadata.end() || !abbreviation->is_object() ||
      hasWindowFilter(metadata)) {
    return unsupported;
  }
  // Without "backspace" the abbreviation stays and the phrase follows it;
  // "immediate" and "triggerInside" expand where Marlinet waits for a word's end.
  if (!flag(*abbreviation, "backspace", true) || flag(*abbreviation, "immediate", false) ||
      flag(*abbreviation, "triggerInside", false)) {
    return unsupported;
  }
  AutoKeyItem phrase{Kind::phrase, abbreviationsOf(*abbreviation)};
  return phrase.abbreviations.empty() ? unsupported : phrase;
} catch (const std::exception&) {
  return {};  // out of memory, or a value of an unexpected type
}

bool hasAutoKeyMacros(std::string_view text) {
  for (std::size_t open = text.find('<'); open != std::string_view::npos; open = text.find('<', open + 1)) {
    std::size_t end = open + 1;
    while (end < text.size() && isNameCharacter(text[end])) ++end;
    if (end == open + 1 || end == text.size()) continue;
    const char next = text[end];
    if ((next == '>' || next == ' ' || next == '\t' || next == '\n') && isActionName(text.substr(open + 1, end - open - 1))) {
      return true;
    }
  }
  return false;
}

ForeignListResult readAutoKeyFolder(const fs::path& folder, const FileSystem& files) try {
  FolderWalk walk(files);
  walk.walk(folder, 0);
  return std::move(walk).finish();
} catch (const TooLarge&) {
  return ReplacementParseError::unreadable;
} catch (const Unlistable&) {
  return ReplacementParseError::unreadable;
} catch (const std::exception&) {
  return ReplacementParseError::unreadable;  // out of memory, or a name the file system refuses
}

}  // namespace marlinet
