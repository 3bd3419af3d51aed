#include "replacements/espanso_reader.h"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "replacements/property_list.h"

namespace marlinet {

namespace {

// What bounds memory: yaml-cpp builds the whole tree, about 500 bytes per
// node, and an alias shares the node it names rather than copying it. So the
// tree is at most maxNodes nodes (some 130 MB), counted by an event-only pass
// (which holds no tree) before the tree is built. That pass also stops nesting deeper
// than maxDepth, long before yaml-cpp's own recursion guard. Walking the
// tree is where aliases could multiply work (the same large list named from
// every match): the walk has its own budget of visits, and the shortcuts
// it copies out are bounded as for every foreign list.
constexpr std::int64_t maxNodes = std::int64_t{1} << 18;  // 30,000 matches of nine nodes
constexpr int maxDepth = 64;                               // a match file nests four or five levels
constexpr std::int64_t maxVisits = 4 * maxNodes;

struct TooLarge {};

// Counts nodes and nesting without building anything.
class SizeCheck final : public YAML::EventHandler {
 public:
  void OnDocumentStart(const YAML::Mark&) override {}
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark&, YAML::anchor_t) override { count(); }
  void OnAlias(const YAML::Mark&, YAML::anchor_t) override { count(); }
  void OnScalar(const YAML::Mark&, const std::string&, YAML::anchor_t, const std::string&) override { count(); }
  void OnSequenceStart(const YAML::Mark&, const std::string&, YAML::anchor_t, YAML::EmitterStyle::value) override {
    open();
  }
  void OnSequenceEnd() override { --depth_; }
  void OnMapStart(const YAML::Mark&, const std::string&, YAML::anchor_t, YAML::EmitterStyle::value) override {
    open();
  }
  void OnMapEnd() override { --depth_; }

 private:
  void count() {
    if (++nodes_ > maxNodes) throw TooLarge{};
  }
  void open() {
    count();
    if (++depth_ > maxDepth) throw TooLarge{};
  }

  std::int64_t nodes_ = 0;
  int depth_ = 0;
};

class Budget {
 public:
  void visit(std::int64_t nodes = 1) {
    visits_ += nodes;
    if (visits_ > maxVisits) throw TooLarge{};
  }
  void copy(std::size_t bytes) {
    copied_ += bytes;
    if (++records_ > maxForeignRecords || copied_ > maxForeignCopiedBytes) throw TooLarge{};
  }

 private:
  std::int64_t visits_ = 0;
  std::size_t records_ = 0;
  std::size_t copied_ = 0;
};

// The keys of one match that decide what it is. A key given twice keeps its
// first value. (Optional rather than undefined nodes: assigning to a yaml-cpp
// node that refers to something writes through to what it refers to.)
struct MatchFields {
  std::optional<YAML::Node> trigger, triggers, regex, replace, vars, form, image, markdown, html;
};

MatchFields fieldsOf(const YAML::Node& match, Budget& budget) {
  MatchFields fields;
  const std::pair<const char*, std::optional<YAML::Node> MatchFields::*> known[] = {
      {"trigger", &MatchFields::trigger}, {"triggers", &MatchFields::triggers},
      {"regex", &MatchFields::regex},     {"replace", &MatchFields::replace},
      {"vars", &MatchFields::vars},       {"form", &MatchFields::form},
      {"image_path", &MatchFields::image}, {"markdown", &MatchFields::markdown},
      {"html", &MatchFields::html}};
  for (const auto& entry : match) {
    budget.visit();
    if (!entry.first.IsScalar()) continue;
    for (const auto& [name, member] : known) {
      if (entry.first.Scalar() == name && !(fields.*member)) (fields.*member).emplace(entry.second);
    }
  }
  return fields;
}

bool isEmptyOrNull(const std::optional<YAML::Node>& node) {
  return !node || node->IsNull() || ((node->IsSequence() || node->IsMap()) && node->size() == 0);
}

// Whether espanso would do more than type the text: fill in variables or
// place the cursor.
bool usesPlaceholders(const std::string& replace) {
  return replace.find("{{") != std::string::npos || replace.find("$|$") != std::string::npos;
}

// A text record in the system shape, which parseItems cleans like any list.
PropertyList record(const std::string& trigger, const std::string& phrase, Budget& budget) {
  budget.copy(trigger.size() + phrase.size());
  return PropertyList(PropertyList::Dictionary{{"replace", trigger}, {"with", phrase}});
}

// Adds the records one match gives; returns whether it was a match it could not use.
bool addMatch(const YAML::Node& match, std::vector<PropertyList>& records, Budget& budget) {
  budget.visit();
  if (!match.IsMap()) return false;  // not a match: skipped like a malformed record
  const MatchFields fields = fieldsOf(match, budget);
  if (fields.regex) return true;
  if (!fields.trigger && !fields.triggers) return false;
  if (fields.form || fields.image || fields.markdown || fields.html || !isEmptyOrNull(fields.vars)) return true;
  if (!fields.replace || !fields.replace->IsScalar()) return false;
  const std::string& phrase = fields.replace->Scalar();
  if (usesPlaceholders(phrase)) return true;

  if (fields.trigger && fields.trigger->IsScalar()) records.push_back(record(fields.trigger->Scalar(), phrase, budget));
  if (fields.triggers && fields.triggers->IsSequence()) {
    for (const auto& trigger : *fields.triggers) {
      budget.visit();
      if (trigger.IsScalar()) records.push_back(record(trigger.Scalar(), phrase, budget));
    }
  }
  return false;
}

// The value under `key` in the top-level map, or an undefined node.
YAML::Node topLevel(const YAML::Node& root, std::string_view key, Budget& budget) {
  for (const auto& entry : root) {
    budget.visit();
    if (entry.first.IsScalar() && entry.first.Scalar() == key) return entry.second;
  }
  return YAML::Node(YAML::NodeType::Undefined);
}

}  // namespace

ForeignListResult readEspansoMatches(std::string_view bytes) try {
  if (bytes.size() > maxEspansoFileSize) return ReplacementParseError::unreadable;
  const std::string text(bytes);
  {
    std::istringstream stream(text);
    YAML::Parser parser(stream);
    SizeCheck check;
    parser.HandleNextDocument(check);
  }
  std::istringstream stream(text);
  const YAML::Node root = YAML::Load(stream);
  if (!root.IsMap()) return ReplacementParseError::unexpectedFormat;

  Budget budget;
  const YAML::Node matches = topLevel(root, "matches", budget);
  if (!matches.IsDefined()) {
    // A file of only shared variables or imports is a match file with no matches.
    const bool otherMatchFileKeys =
        topLevel(root, "global_vars", budget).IsDefined() || topLevel(root, "imports", budget).IsDefined();
    if (!otherMatchFileKeys) return ReplacementParseError::unexpectedFormat;
    return ForeignList{};
  }
  if (matches.IsNull()) return ForeignList{};
  if (!matches.IsSequence()) return ReplacementParseError::unexpectedFormat;

  ForeignList list;
  std::vector<PropertyList> records;
  for (const auto& match : matches) {
    if (addMatch(match, records, budget)) ++list.skippedUnsupported;
  }
  list.parsed = parseItems(std::move(records));
  return list;
} catch (const TooLarge&) {
  return ReplacementParseError::unreadable;
} catch (const YAML::Exception&) {
  return ReplacementParseError::unreadable;  // not YAML, or nested past yaml-cpp's guard
} catch (const std::bad_alloc&) {
  return ReplacementParseError::unreadable;  // out of memory
} catch (const std::exception&) {
  return ReplacementParseError::unreadable;
}

}  // namespace marlinet
