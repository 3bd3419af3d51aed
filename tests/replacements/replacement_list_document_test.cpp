#include "replacements/replacement_list_document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>

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

PropertyList record(std::string replace, std::string with, Dictionary other = {}) {
  other.insert_or_assign("replace", PropertyList(std::move(replace)));
  other.insert_or_assign("with", PropertyList(std::move(with)));
  return PropertyList(std::move(other));
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
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
  const std::vector<PropertyList> records = {
      record("omw", "On my way!"),       record(" omw ", "again"),          record("Omw", "case differs"),
      record("  ", "blank"),             record("x", ""),                   record("한글", "Hangul"),
      record("한글", "Hangul twice"),     record("brb", "off", {{"on", PropertyList(false)}}),
      record("brb", "Be right back"),    record("tab", "a\tb\r\nc"),
  };
  std::vector<ListEntry> entries;
  for (PropertyList element : records) {
    const auto& d = *element.dictionary();
    Dictionary other = d;
    other.erase("replace");
    other.erase("with");
    entries.push_back({*d.at("replace").text(), *d.at("with").text(), other});
  }
  using P = EntryProblem;
  EXPECT_EQ(entryProblems(entries),
            (std::vector<P>{P::none, P::duplicate, P::none, P::emptyShortcut, P::emptyPhrase, P::unsupportedCharacters,
                            P::unsupportedCharacters, P::switchedOff, P::none, P::none}));

  // A row's problem while it is typed, from those before it, is the same.
  const auto problems = entryProblems(entries);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(problemAt(entries, problems, i, entries[i]), problems[i]) << i;
  }
  EXPECT_EQ(problemAt(entries, problems, entries.size(), {"Omw ", "x", {}}), P::duplicate);

  // The rows shown as fine are the list that expands, in order.
  std::vector<std::string> fine;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entryProblems(entries)[i] == P::none) fine.push_back(std::string(trimmedWhitespaceAndNewlines(entries[i].shortcut)));
  }
  std::vector<std::string> expanded;
  for (const Replacement& r : parseItems(records).replacements) expanded.push_back(r.shortcut);
  EXPECT_EQ(fine, expanded);
}

TEST_F(ReplacementListDocumentTest, EditsKeepWhatTheFileHeldBesideTheRecordsAndExpandAtOnce) {
  std::filesystem::create_directories(file.parent_path());
  const PropertyList::Array original = {
      record("omw", "On my way!", {{"on", PropertyList(std::int64_t{1})}, {"note", PropertyList("mine")}}),
      PropertyList("not a record"),
      record("old", "gone soon"),
      record("brb", "Be right back"),
  };
  writeFile(file, encodeXmlPropertyList(PropertyList(original)));
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
  EXPECT_EQ(document.undo(), SaveResult::saved);
  EXPECT_EQ(document.undo(), SaveResult::saved);
  EXPECT_EQ(document.undo(), SaveResult::saved);
  EXPECT_FALSE(document.canUndo());
  EXPECT_EQ(expansionList().replacements,
            (std::vector<Replacement>{{"omw", "On my way!"}, {"old", "gone soon"}, {"brb", "Be right back"}}));
}

TEST_F(ReplacementListDocumentTest, APlainMapBecomesRecords) {
  std::filesystem::create_directories(file.parent_path());
  writeFile(file, encodeXmlPropertyList(PropertyList(Dictionary{{"b", PropertyList("bee")}, {"a", PropertyList("ay")}})));
  ASSERT_EQ(document.load(), ReplacementListDocument::State::editable);
  EXPECT_EQ(document.add({"c", "see", {}}), SaveResult::saved);
  EXPECT_EQ(expansionList().replacements, (std::vector<Replacement>{{"a", "ay"}, {"b", "bee"}, {"c", "see"}}));
}

TEST_F(ReplacementListDocumentTest, AFileItCannotKeepIsNeverReplaced) {
  std::filesystem::create_directories(file.parent_path());
  for (const std::string& bytes :
       {std::string("not a property list"), encodeXmlPropertyList(PropertyList("text root")),
        encodeXmlPropertyList(PropertyList(Dictionary{{"a", PropertyList("ay")}, {"n", PropertyList(std::int64_t{3})}}))}) {
    writeFile(file, bytes);
    EXPECT_EQ(document.load(), ReplacementListDocument::State::unreadable);
    EXPECT_EQ(document.add({"omw", "On my way!", {}}), SaveResult::failed);
    EXPECT_EQ(document.save(), SaveResult::failed);
    EXPECT_EQ(readBytes(file), bytes);
  }
  files->failReads = true;
  writeFile(file, encodeXmlPropertyList(PropertyList(PropertyList::Array{})));
  EXPECT_EQ(document.load(), ReplacementListDocument::State::unreadable) << "there but unreadable is not missing";
}

TEST_F(ReplacementListDocumentTest, AChangeMadeElsewhereIsNotOverwrittenUnlessTheUserSaysSo) {
  ASSERT_EQ(document.add({"omw", "On my way!", {}}), SaveResult::saved);
  EXPECT_FALSE(document.changedOnDisk()) << "its own write";

  const std::string outside = encodeXmlPropertyList(PropertyList(PropertyList::Array{record("gtg", "Got to go")}));
  writeFile(file, outside);
  EXPECT_TRUE(document.changedOnDisk());
  EXPECT_EQ(document.add({"ty", "Thank you", {}}), SaveResult::changedOnDisk);
  EXPECT_TRUE(document.hasUnsavedChanges());
  EXPECT_EQ(readBytes(file), outside);

  EXPECT_EQ(document.saveOverwriting(), SaveResult::saved);
  EXPECT_FALSE(document.hasUnsavedChanges());
  EXPECT_EQ(expansionList().replacements, (std::vector<Replacement>{{"omw", "On my way!"}, {"ty", "Thank you"}}));
}

TEST_F(ReplacementListDocumentTest, AWriteThatFailsHalfwayLeavesThePreviousFileWhole) {
  ASSERT_EQ(document.add({"omw", "On my way!", {}}), SaveResult::saved);
  const std::string before = readBytes(file);

  // The file-size limit stops the write a few kilobytes in, as a full disk would.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const SaveResult result = document.add({"long", std::string(20000, 'x'), {}});
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(result, SaveResult::failed);
  EXPECT_TRUE(document.hasUnsavedChanges());
  EXPECT_EQ(readBytes(file), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1) << "no temporary left";

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
