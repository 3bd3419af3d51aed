#include "replacements/replacement_list_document.h"

#include <algorithm>
#include <new>
#include <set>
#include <string_view>
#include <utility>

#include "replacements/parsed_replacements.h"
#include "replacements/replacement_parser.h"
#include "replacements/text_trimming.h"
#include "replacements/xml_property_list.h"

namespace marlinet {

namespace {

constexpr std::string_view missingRevision = "missing";

bool isSwitchedOff(const ListEntry& entry) {
  const auto on = entry.otherKeys.find("on");
  return on != entry.otherKeys.end() && marlinet::isSwitchedOff(on->second);
}

// A system-shape record, or none when the element is something else.
std::optional<ListEntry> recordIn(PropertyList& element) {
  auto* dictionary = std::get_if<PropertyList::Dictionary>(&element.value);
  if (dictionary == nullptr) return std::nullopt;
  const auto replace = dictionary->find("replace");
  const auto with = dictionary->find("with");
  if (replace == dictionary->end() || with == dictionary->end()) return std::nullopt;
  auto* shortcut = std::get_if<std::string>(&replace->second.value);
  auto* phrase = std::get_if<std::string>(&with->second.value);
  if (shortcut == nullptr || phrase == nullptr) return std::nullopt;
  ListEntry entry{std::move(*shortcut), std::move(*phrase), {}};
  dictionary->erase(replace);
  dictionary->erase(with);
  entry.otherKeys = std::move(*dictionary);
  return entry;
}

PropertyList recordOf(const ListEntry& entry) {
  PropertyList::Dictionary record = entry.otherKeys;
  record.insert_or_assign("replace", PropertyList(entry.shortcut));
  record.insert_or_assign("with", PropertyList(entry.phrase));
  return PropertyList(std::move(record));
}

}  // namespace

namespace {

// Everything but a repeat, which depends on the entries before.
EntryProblem problemOnItsOwn(const ListEntry& entry, std::string_view shortcut) {
  if (isSwitchedOff(entry)) return EntryProblem::switchedOff;
  if (shortcut.empty()) return EntryProblem::emptyShortcut;
  if (entry.phrase.empty()) return EntryProblem::emptyPhrase;
  if (hasUnsupportedCharacters(shortcut)) return EntryProblem::unsupportedCharacters;
  return EntryProblem::none;
}

}  // namespace

std::vector<EntryProblem> entryProblems(const std::vector<ListEntry>& entries) {
  std::vector<EntryProblem> problems;
  problems.reserve(entries.size());
  std::set<std::string_view, std::less<>> usable;
  for (const ListEntry& entry : entries) {
    const std::string_view shortcut = trimmedWhitespaceAndNewlines(entry.shortcut);
    EntryProblem problem = problemOnItsOwn(entry, shortcut);
    if (problem == EntryProblem::none && !usable.insert(shortcut).second) problem = EntryProblem::duplicate;
    problems.push_back(problem);
  }
  return problems;
}

EntryProblem problemAt(const std::vector<ListEntry>& entries, const std::vector<EntryProblem>& problems,
                       std::size_t index, const ListEntry& entry) {
  const std::string_view shortcut = trimmedWhitespaceAndNewlines(entry.shortcut);
  const EntryProblem problem = problemOnItsOwn(entry, shortcut);
  if (problem != EntryProblem::none) return problem;
  for (std::size_t i = 0; i < index && i < entries.size() && i < problems.size(); ++i) {
    if (problems[i] == EntryProblem::none && trimmedWhitespaceAndNewlines(entries[i].shortcut) == shortcut) {
      return EntryProblem::duplicate;
    }
  }
  return EntryProblem::none;
}

ReplacementListDocument::ReplacementListDocument(std::filesystem::path file, std::shared_ptr<FileSystem> files)
    : file_(std::move(file)), files_(std::move(files)) {}

ReplacementListDocument::State ReplacementListDocument::load() {
  history_.clear();
  unsaved_ = false;
  entries_.clear();
  otherElements_.clear();
  revision_ = files_->fileRevision(file_);
  lastBytes_ = files_->readFile(file_);
  state_ = State::editable;
  if (!lastBytes_) {
    // Nothing there yet is an empty list; a file that is there but cannot be
    // read must not be replaced by one.
    if (revision_ != missingRevision) state_ = State::unreadable;
    return state_;
  }
  try {
    std::optional<PropertyList> root = decodePropertyList(*lastBytes_);
    if (root && root->array() != nullptr) {
      for (PropertyList& element : std::get<PropertyList::Array>(root->value)) {
        if (auto entry = recordIn(element)) {
          entries_.push_back(std::move(*entry));
        } else {
          otherElements_.push_back(std::move(element));
        }
      }
    } else if (root && root->dictionary() != nullptr) {
      // The plain shortcut-to-phrase map; it is written back as records, so
      // only a map of texts can be taken without losing anything.
      for (auto& [shortcut, phrase] : std::get<PropertyList::Dictionary>(root->value)) {
        const std::string* text = phrase.text();
        if (text == nullptr) {
          entries_.clear();
          state_ = State::unreadable;
          break;
        }
        entries_.push_back(ListEntry{shortcut, *text, {}});
      }
    } else {
      state_ = State::unreadable;
    }
  } catch (const std::bad_alloc&) {
    entries_.clear();
    otherElements_.clear();
    state_ = State::unreadable;
  }
  return state_;
}

bool ReplacementListDocument::changedOnDisk() const {
  const std::optional<std::string> revision = files_->fileRevision(file_);
  if (revision && revision_) return *revision != *revision_;
  // Where the file system cannot tell, the content decides.
  return files_->readFile(file_) != lastBytes_;
}

ReplacementListDocument::SaveResult ReplacementListDocument::add(ListEntry entry) {
  auto next = entries_;
  next.push_back(std::move(entry));
  return change(std::move(next));
}

ReplacementListDocument::SaveResult ReplacementListDocument::replace(std::size_t index, ListEntry entry) {
  if (index >= entries_.size()) return SaveResult::failed;
  auto next = entries_;
  next[index] = std::move(entry);
  return change(std::move(next));
}

ReplacementListDocument::SaveResult ReplacementListDocument::remove(std::vector<std::size_t> indices) {
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  std::vector<ListEntry> next;
  next.reserve(entries_.size());
  auto removed = indices.begin();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (removed != indices.end() && *removed == i) {
      ++removed;
    } else {
      next.push_back(entries_[i]);
    }
  }
  return change(std::move(next));
}

ReplacementListDocument::SaveResult ReplacementListDocument::undo() {
  if (history_.empty() || state_ != State::editable) return SaveResult::failed;
  entries_ = std::move(history_.back());
  history_.pop_back();
  return write(false);
}

ReplacementListDocument::SaveResult ReplacementListDocument::save() { return write(false); }

ReplacementListDocument::SaveResult ReplacementListDocument::saveOverwriting() { return write(true); }

ReplacementListDocument::SaveResult ReplacementListDocument::change(std::vector<ListEntry> next) {
  if (state_ != State::editable) return SaveResult::failed;
  if (history_.size() == maxUndoSteps) history_.erase(history_.begin());
  history_.push_back(std::exchange(entries_, std::move(next)));
  return write(false);
}

ReplacementListDocument::SaveResult ReplacementListDocument::write(bool overwriting) {
  if (state_ != State::editable) return SaveResult::failed;
  unsaved_ = true;
  if (!overwriting && changedOnDisk()) return SaveResult::changedOnDisk;
  try {
    PropertyList::Array root;
    root.reserve(entries_.size() + otherElements_.size());
    for (const ListEntry& entry : entries_) root.push_back(recordOf(entry));
    root.insert(root.end(), otherElements_.begin(), otherElements_.end());
    std::string bytes = encodeXmlPropertyList(PropertyList(std::move(root)));
    if (!files_->createDirectories(file_.parent_path()) || !files_->writeFileAtomically(file_, bytes)) {
      return SaveResult::failed;
    }
    lastBytes_ = std::move(bytes);
  } catch (const std::bad_alloc&) {
    return SaveResult::failed;
  }
  revision_ = files_->fileRevision(file_);
  unsaved_ = false;
  return SaveResult::saved;
}

std::string ReplacementListDocument::exportedBytes() const {
  const std::vector<EntryProblem> problems = entryProblems(entries_);
  PropertyList::Array records;
  std::set<std::string_view, std::less<>> exported;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    // A Mac expands shortcuts of any script, so only what no list can hold
    // is left out.
    if (problems[i] != EntryProblem::none && problems[i] != EntryProblem::unsupportedCharacters) continue;
    const std::string_view shortcut = trimmedWhitespaceAndNewlines(entries_[i].shortcut);
    if (!exported.insert(shortcut).second) continue;
    records.push_back(PropertyList(PropertyList::Dictionary{{"phrase", PropertyList(entries_[i].phrase)},
                                                            {"shortcut", PropertyList(std::string(shortcut))}}));
  }
  return encodeXmlPropertyList(PropertyList(std::move(records)));
}

}  // namespace marlinet
