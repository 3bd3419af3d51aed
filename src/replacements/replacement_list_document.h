#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "replacements/file_system.h"
#include "replacements/property_list.h"

namespace marlinet {

// One record of the user's own list as it is edited: the texts as the user
// wrote them (the shortcut untrimmed, so that what they typed stays what they
// see) and every other key the record had, kept for whoever wrote it.
struct ListEntry {
  std::string shortcut;
  std::string phrase;
  PropertyList::Dictionary otherKeys;

  friend bool operator==(const ListEntry&, const ListEntry&) = default;
};

// Why Marlinet will not expand an entry; the same rules, in the same order,
// as reading the list for expansion.
enum class EntryProblem { none, switchedOff, emptyShortcut, emptyPhrase, unsupportedCharacters, duplicate };

// Each entry's problem, in order. A duplicate is a later entry whose trimmed
// shortcut an earlier usable one already has: reading keeps the first.
std::vector<EntryProblem> entryProblems(const std::vector<ListEntry>& entries);

// The problem `entry` would have in place of entry `index` of `entries` (or
// after the last when `index` is their count), given their `problems`. Only
// earlier entries decide it, so this is the same answer without recomputing
// the list: for showing the problem of a row while it is being typed.
EntryProblem problemAt(const std::vector<ListEntry>& entries, const std::vector<EntryProblem>& problems,
                       std::size_t index, const ListEntry& entry);

// The user's own replacement list file as an editor holds it. Every change
// is written at once, atomically, so that it takes effect at the next reload
// and a failed write leaves the previous file whole. The file is never
// overwritten when it changed underneath since it was read: the caller
// decides between reloading and keeping its own version.
class ReplacementListDocument final {
 public:
  enum class State {
    editable,    // read, or missing (an empty list that the first change creates)
    unreadable,  // a file is there but is no list this editor can keep
  };
  enum class SaveResult { saved, failed, changedOnDisk };

  ReplacementListDocument(std::filesystem::path file, std::shared_ptr<FileSystem> files);

  // Reads the file afresh, dropping any change not yet written and the undo history.
  State load();
  State state() const { return state_; }
  const std::vector<ListEntry>& entries() const { return entries_; }
  const std::filesystem::path& file() const { return file_; }

  // Each change keeps the previous list for `undo` and is written at once.
  // Changes are refused (answering `failed`) while the file is unreadable.
  SaveResult add(ListEntry entry);
  SaveResult replace(std::size_t index, ListEntry entry);
  SaveResult remove(std::vector<std::size_t> indices);
  bool canUndo() const { return !history_.empty(); }
  SaveResult undo();

  // Writes the list as held now: `save` refuses when the file changed since
  // it was read; `saveOverwriting` writes all the same (the user chose).
  SaveResult save();
  SaveResult saveOverwriting();
  // A change is held that the file does not have (the last write failed or
  // was refused).
  bool hasUnsavedChanges() const { return unsaved_; }
  // The file is not the one last read or written here.
  bool changedOnDisk() const;

  // The list in the shape a Mac's Text Replacements settings import
  // ("shortcut" and "phrase"): every entry with a shortcut and a phrase that
  // is not switched off or a repeat. Line breaks and tabs are kept.
  std::string exportedBytes() const;

  // Keeps this many steps of undo.
  static constexpr std::size_t maxUndoSteps = 100;

 private:
  SaveResult change(std::vector<ListEntry> next);
  SaveResult write(bool overwriting);

  std::filesystem::path file_;
  std::shared_ptr<FileSystem> files_;
  State state_ = State::editable;
  std::vector<ListEntry> entries_;
  // Elements of the file that are not records this editor shows; written
  // back after the records so that nothing in the file is lost.
  std::vector<PropertyList> otherElements_;
  std::vector<std::vector<ListEntry>> history_;
  std::optional<std::string> revision_;  // of the file as last read or written
  std::optional<std::string> lastBytes_;  // as last read or written; none when missing
  bool unsaved_ = false;
};

}  // namespace marlinet
