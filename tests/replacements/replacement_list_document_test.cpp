#include "replacements/replacement_list_document.h"

#include <gtest/gtest.h>

#include "replacements/replacement_parser.h"
#include "replacements/system_replacement_reader.h"
#include "replacements/system_replacements.h"
#include "replacements/text_trimming.h"
#include "replacements/xml_property_list.h"
#include "support/replacements/faulty_file_system.h"
#include "support/temporary_folder.h"

namespace marlinet {
namespace {

using Dictionary = PropertyList::Dictionary;
using SaveResult = ReplacementListDocument::SaveResult;
using testing::readBytes;
using testing::writeBytes;

PropertyList record(std::string replace, std::string with, Dictionary other = {}) {
  other.insert_or_assign("replace", PropertyList(std::move(replace)));
  other.insert_or_assign("with", PropertyList(std::move(with)));
  return PropertyList(std::move(other));
}

class ReplacementListDocumentTest : public ::testing::Test {
 protected:
  // What the expansion side reads from the file now.
  ParsedReplacements expansionList() const {
    return readSystemReplacements(SystemReplacementReader(file, files)).first;
  }

  testing::TemporaryFolder folder;
  std::filesystem::path file = folder / "config" / "text-replacements.plist";
  std::shared_ptr<testing::FaultyFileSystem> files = std::make_shared<testing::FaultyFileSystem>();
  ReplacementListDocument document{file, files};
};

TEST(EntryProblemsTest, FlagsExactlyWhatReadingTheListLeavesOut) {
  const std::vector<ListEntry> entries = {
      {"omw", "On my way!", {}}, {" omw ", "again", {}}, {"Omw", "case differs", {}}, {"  ", "blank", {}},
      {"x", "", {}}, {"한글", "Hangul", {}}, {"한글", "Hangul twice", {}}, {"brb", "off", {{"on", PropertyList(false)}}},
      {"brb", "Be right back", {}}, {"tab", "a\tb\r\nc", {}}};
  std::vector<PropertyList> records;
  for (const ListEntry& e : entries) records.push_back(record(e.shortcut, e.phrase, e.otherKeys));
  using P = EntryProblem;
  const auto problems = entryProblems(entries);
  EXPECT_EQ(problems, (std::vector<P>{P::none, P::duplicate, P::none, P::emptyShortcut, P::emptyPhrase,
                                      P::unsupportedCharacters, P::unsupportedCharacters, P::switchedOff, P::none,
                                      P::none}));

  // A row's problem while it is typed, from those before it, is the same; the
  // rows shown as fine are the list that expands, in order.
  std::vector<std::string> fine;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(problemAt(entries, problems, i, entries[i]), problems[i]) << i;
    if (problems[i] == P::none) fine.push_back(std::string(trimmedWhitespaceAndNewlines(entries[i].shortcut)));
  }
  EXPECT_EQ(problemAt(entries, problems, entries.size(), {"Omw ", "x", {}}), P::duplicate);
  std::vector<std::string> expanded;
  for (const Replacement& r : parseItems(records).replacements) expanded.push_back(r.shortcut);
  EXPECT_EQ(fine, expanded);
}

TEST_F(ReplacementListDocumentTest, EditsKeepWhatTheFileHeldBesideTheRecordsAndExpandAtOnce) {
  const PropertyList::Array original = {
      record("omw", "On my way!", {{"on", PropertyList(std::int64_t{1})}, {"note", PropertyList("mine")}}),
      PropertyList("not a record"),
      record("old", "gone soon"),
      record("brb", "Be right back"),
  };
  writeBytes(file, encodeXmlPropertyList(PropertyList(original)));
  ASSERT_EQ(document.load(), ReplacementListDocument::State::editable);
  ASSERT_EQ(document.entries().size(), 3u);

  ListEntry edited = document.entries()[0];
  edited.phrase = "On my way!\n\tSee you";
  EXPECT_EQ(document.replace(0, edited), SaveResult::saved);
  EXPECT_EQ(document.remove({1}), SaveResult::saved);
  EXPECT_EQ(document.add({"ty", "Thank you", {}}), SaveResult::saved);

  const auto root = decodePropertyList(readBytes(file));
  ASSERT_TRUE(root && root->array());
  EXPECT_EQ(*root->array(), (PropertyList::Array{
                                record("omw", "On my way!\n\tSee you",
                                       {{"on", PropertyList(std::int64_t{1})}, {"note", PropertyList("mine")}}),
                                record("brb", "Be right back"), record("ty", "Thank you"),
                                PropertyList("not a record")}));
  EXPECT_EQ(expansionList().replacements,
            (std::vector<Replacement>{{"omw", "On my way!\n\tSee you"}, {"brb", "Be right back"}, {"ty", "Thank you"}}));

  // Undo walks back one change at a time, each written.
  for (int change = 0; change < 3; ++change) EXPECT_EQ(document.undo(), SaveResult::saved);
  EXPECT_FALSE(document.canUndo());
  EXPECT_EQ(expansionList().replacements,
            (std::vector<Replacement>{{"omw", "On my way!"}, {"old", "gone soon"}, {"brb", "Be right back"}}));
}

TEST_F(ReplacementListDocumentTest, APlainMapBecomesRecords) {
  writeBytes(file, encodeXmlPropertyList(PropertyList(Dictionary{{"b", PropertyList("bee")}, {"a", PropertyList("ay")}})));
  ASSERT_EQ(document.load(), ReplacementListDocument::State::editable);
  EXPECT_EQ(document.add({"c", "see", {}}), SaveResult::saved);
  EXPECT_EQ(expansionList().replacements, (std::vector<Replacement>{{"a", "ay"}, {"b", "bee"}, {"c", "see"}}));
}

TEST_F(ReplacementListDocumentTest, AFileItCannotKeepIsNeverReplaced) {
  for (const std::string& bytes :
       {std::string("not a property list"), encodeXmlPropertyList(PropertyList("text root")),
        encodeXmlPropertyList(PropertyList(Dictionary{{"a", PropertyList("ay")}, {"n", PropertyList(std::int64_t{3})}}))}) {
    writeBytes(file, bytes);
    EXPECT_EQ(document.load(), ReplacementListDocument::State::unreadable);
    EXPECT_EQ(document.add({"omw", "On my way!", {}}), SaveResult::failed);
    EXPECT_EQ(document.save(), SaveResult::failed);
    EXPECT_EQ(readBytes(file), bytes);
  }
  files->failReads = true;
  writeBytes(file, encodeXmlPropertyList(PropertyList(PropertyList::Array{})));
  EXPECT_EQ(document.load(), ReplacementListDocument::State::unreadable) << "there but unreadable is not missing";
}

TEST_F(ReplacementListDocumentTest, AChangeMadeElsewhereIsNotOverwrittenUnlessTheUserSaysSo) {
  ASSERT_EQ(document.add({"omw", "On my way!", {}}), SaveResult::saved);
  EXPECT_FALSE(document.changedOnDisk()) << "its own write";

  const std::string outside = encodeXmlPropertyList(PropertyList(PropertyList::Array{record("gtg", "Got to go")}));
  writeBytes(file, outside);
  EXPECT_TRUE(document.changedOnDisk());
  EXPECT_EQ(document.add({"ty", "Thank you", {}}), SaveResult::changedOnDisk);
  EXPECT_TRUE(document.hasUnsavedChanges());
  EXPECT_EQ(readBytes(file), outside);

  EXPECT_EQ(document.saveOverwriting(), SaveResult::saved);
  EXPECT_FALSE(document.hasUnsavedChanges());
  EXPECT_EQ(expansionList().replacements, (std::vector<Replacement>{{"omw", "On my way!"}, {"ty", "Thank you"}}));
}

// A write torn partway on a real disk is the atomic writer's to undo (the
// imported list's store test fills the disk); here the change must outlive it.
TEST_F(ReplacementListDocumentTest, AFailedWriteKeepsTheChangeAndThePreviousFile) {
  ASSERT_EQ(document.add({"omw", "On my way!", {}}), SaveResult::saved);
  const std::string before = readBytes(file);
  files->failWrites = true;
  EXPECT_EQ(document.add({"long", std::string(20000, 'x'), {}}), SaveResult::failed);
  EXPECT_TRUE(document.hasUnsavedChanges());
  EXPECT_EQ(readBytes(file), before);

  files->failWrites = false;
  EXPECT_EQ(document.save(), SaveResult::saved) << "the kept change goes out once writing works again";
  EXPECT_EQ(expansionList().replacements.size(), 2u);
}

TEST_F(ReplacementListDocumentTest, ExportsWhatAMacTakesInTheShapeTheImportReads) {
  for (const ListEntry& entry : std::vector<ListEntry>{{" omw ", "On my way!\n", {}},
                                                       {"omw", "second", {}},
                                                       {"한글", "Hangul", {}},
                                                       {"off", "x", {{"on", PropertyList(false)}}},
                                                       {"", "no shortcut", {}},
                                                       {"tab", "a\tb\r\nc", {}}}) {
    ASSERT_EQ(document.add(entry), SaveResult::saved);
  }
  const auto parsed = parsePropertyList(document.exportedBytes());
  ASSERT_TRUE(std::holds_alternative<ParsedReplacements>(parsed));
  // A Mac expands the Hangul shortcut; Marlinet reading the export back skips it.
  EXPECT_EQ(std::get<ParsedReplacements>(parsed).replacements,
            (std::vector<Replacement>{{"omw", "On my way!\n"}, {"tab", "a\tb\r\nc"}}));
  EXPECT_EQ(std::get<ParsedReplacements>(parsed).skippedNonASCII, 1);
  const auto root = decodePropertyList(document.exportedBytes());
  ASSERT_TRUE(root && root->array());
  for (const PropertyList& element : *root->array()) {
    EXPECT_EQ(element.dictionary()->size(), 2u) << "only \"shortcut\" and \"phrase\"";
    EXPECT_TRUE(element.find("shortcut") && element.find("phrase"));
  }
}

}  // namespace
}  // namespace marlinet
