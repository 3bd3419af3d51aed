#include "replacements/imported_replacements_store.h"

#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "replacements/app_directories.h"
#include "replacements/replacement_json.h"

namespace marlinet {

namespace {

// Reads the file as its parts stream past and keeps only the list itself: a
// tree of JSON values costs many times the text it is read from, and a
// damaged or planted file may be as large as the read limit. Where the file
// names a member twice the last one counts, as it would in a tree.
class StoreReader final : public nlohmann::json_sax<nlohmann::json> {
 public:
  std::optional<std::pair<ParsedReplacements, Date>> result() {
    if (!list_ || !skippedNonASCII_ || !skippedDisabled_ || !importedAt_ || !std::isfinite(*importedAt_)) {
      return std::nullopt;
    }
    return std::pair{ParsedReplacements{std::move(*list_), *skippedNonASCII_, *skippedDisabled_}, Date{*importedAt_}};
  }

  bool null() override { return value(Kind::other); }
  bool boolean(bool) override { return value(Kind::other); }
  bool number_integer(number_integer_t number) override {
    integer_ = number;
    real_ = static_cast<double>(number);
    return value(Kind::integer);
  }
  bool number_unsigned(number_unsigned_t number) override {
    real_ = static_cast<double>(number);
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return value(Kind::real);
    integer_ = static_cast<std::int64_t>(number);
    return value(Kind::integer);
  }
  bool number_float(number_float_t number, const string_t&) override {
    real_ = number;
    return value(Kind::real);
  }
  bool string(string_t& text) override {
    text_ = &text;
    return value(Kind::string);
  }
  bool binary(binary_t&) override { return value(Kind::other); }
  bool start_object(std::size_t) override { return value(Kind::object) && ++depth_ <= maxDepth; }
  bool start_array(std::size_t) override { return value(Kind::array) && ++depth_ <= maxDepth; }
  bool key(string_t& name) override {
    if (depth_ == 1) member_ = name == "replacements"      ? Member::list
                               : name == "skippedNonASCII" ? Member::skippedNonASCII
                               : name == "skippedDisabled" ? Member::skippedDisabled
                               : name == "importedAt"      ? Member::importedAt
                                                           : Member::other;
    if (depth_ == 3 && inElement_) field_ = name == "shortcut" ? Field::shortcut : name == "phrase" ? Field::phrase : Field::other;
    return true;
  }
  bool end_object() override {
    if (depth_-- == 3 && inElement_) {
      inElement_ = false;
      if (!shortcut_ || !phrase_) {
        list_.reset();
      } else if (list_ && !shortcut_->empty() && !phrase_->empty()) {
        // Entries are used as stored, except empty ones: an empty shortcut would
        // match at every delimiter and an empty phrase would only erase.
        list_->push_back(Replacement{std::move(*shortcut_), std::move(*phrase_)});
      }
    }
    return true;
  }
  bool end_array() override {
    if (depth_-- == 2) inList_ = false;
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  // The file is three levels deep; anything far deeper is not one of ours.
  static constexpr int maxDepth = 64;

  enum class Kind { string, integer, real, object, array, other };
  enum class Member { list, skippedNonASCII, skippedDisabled, importedAt, other };
  enum class Field { shortcut, phrase, other };

  // A value (or the start of a container) at the current depth; false stops reading.
  bool value(Kind kind) {
    switch (depth_) {
      case 0:  // the file is one object
        return kind == Kind::object;
      case 1:
        member(kind);
        break;
      case 2:  // an element of the list, which must be a record
        if (!inList_) break;
        if (kind != Kind::object) list_.reset();
        inElement_ = kind == Kind::object;
        shortcut_.reset();
        phrase_.reset();
        break;
      case 3:
        if (!inElement_ || field_ == Field::other) break;
        (field_ == Field::shortcut ? shortcut_ : phrase_) =
            kind == Kind::string ? std::optional(std::move(*text_)) : std::nullopt;
        break;
      default:
        break;
    }
    return true;
  }

  void member(Kind kind) {
    switch (member_) {
      case Member::list:
        inList_ = kind == Kind::array;
        list_ = inList_ ? std::optional(std::vector<Replacement>()) : std::nullopt;
        break;
      case Member::skippedNonASCII:
        skippedNonASCII_ = kind == Kind::integer ? std::optional(integer_) : std::nullopt;
        break;
      case Member::skippedDisabled:
        skippedDisabled_ = kind == Kind::integer ? std::optional(integer_) : std::nullopt;
        break;
      case Member::importedAt:
        importedAt_ = kind == Kind::integer || kind == Kind::real ? std::optional(real_) : std::nullopt;
        break;
      case Member::other:
        break;
    }
  }

  int depth_ = 0;  // containers open
  Member member_ = Member::other;
  Field field_ = Field::other;
  bool inList_ = false;
  bool inElement_ = false;
  std::int64_t integer_ = 0;
  double real_ = 0;
  string_t* text_ = nullptr;
  std::optional<std::string> shortcut_;
  std::optional<std::string> phrase_;
  // Absent while missing, or when the last of its kind was not as it must be.
  std::optional<std::vector<Replacement>> list_;
  std::optional<std::int64_t> skippedNonASCII_;
  std::optional<std::int64_t> skippedDisabled_;
  std::optional<double> importedAt_;
};

}  // namespace

ImportedReplacementsStore::ImportedReplacementsStore(std::string_view folderName)
    : ImportedReplacementsStore(fileInFolder(userDataDirectory(), folderName, fileName), std::make_shared<LocalFileSystem>()) {}

ImportedReplacementsStore::ImportedReplacementsStore(std::optional<std::filesystem::path> fileURL,
                                                     std::shared_ptr<FileSystem> fileSystem)
    : fileURL_(std::move(fileURL)), fileSystem_(std::move(fileSystem)) {}

std::optional<std::pair<ParsedReplacements, Date>> ImportedReplacementsStore::load() const {
  if (!fileURL_ || !fileSystem_) return std::nullopt;
  const std::optional<std::string> bytes = fileSystem_->readFile(*fileURL_);
  if (!bytes) return std::nullopt;
  return decode(*bytes);
}

bool ImportedReplacementsStore::save(const ParsedReplacements& replacements, Date importedAt) {
  if (!fileURL_ || !fileSystem_) return false;
  if (!fileSystem_->createDirectories(fileURL_->parent_path())) return false;
  const std::optional<std::string> bytes = encode(replacements, importedAt);
  if (!bytes) return false;
  return fileSystem_->writeFileAtomically(*fileURL_, *bytes);
}

void ImportedReplacementsStore::remove() {
  if (fileURL_ && fileSystem_) fileSystem_->removeFile(*fileURL_);
}

std::optional<std::string> ImportedReplacementsStore::encode(const ParsedReplacements& replacements,
                                                             Date importedAt) {
  // JSON has no form for infinities or NaN; such a date would not read back.
  if (!std::isfinite(importedAt.secondsSinceReferenceDate)) return std::nullopt;
  try {
    nlohmann::ordered_json file = nlohmann::ordered_json::object();
    file["replacements"] = replacements.replacements;
    file["skippedNonASCII"] = replacements.skippedNonASCII;
    file["skippedDisabled"] = replacements.skippedDisabled;
    // nlohmann writes the shortest text that reads back as the same double.
    file["importedAt"] = importedAt.secondsSinceReferenceDate;
    return file.dump();
  } catch (...) {
    return std::nullopt;  // a text that is not UTF-8, or out of memory
  }
}

std::optional<std::pair<ParsedReplacements, Date>> ImportedReplacementsStore::decode(std::string_view bytes) {
  try {
    StoreReader reader;
    if (!nlohmann::json::sax_parse(bytes, &reader)) return std::nullopt;
    return reader.result();
  } catch (...) {
    return std::nullopt;  // out of memory
  }
}

}  // namespace marlinet
