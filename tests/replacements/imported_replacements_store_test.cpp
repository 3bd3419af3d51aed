#include "replacements/imported_replacements_store.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <new>

#include "replacements/app_directories.h"
#include "support/temporary_folder.h"

// Every allocation of this test program goes through here, so that a test
// can tell the most memory held at once while it decodes.
namespace {
std::atomic<std::int64_t> heldBytes{0};
std::atomic<std::int64_t> peakBytes{0};
}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  const std::int64_t held = heldBytes += static_cast<std::int64_t>(malloc_usable_size(block));
  for (std::int64_t peak = peakBytes; held > peak && !peakBytes.compare_exchange_weak(peak, held);) {
  }
  return block;
}
void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  heldBytes -= static_cast<std::int64_t>(malloc_usable_size(block));
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace marlinet {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> folderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const ParsedReplacements sample{{{"omw", "On my way!"}, {"sig", "Best,\nSam \u00e9\U0001f44d"}, {"caf\u00e9", "stored as is"}},
                                2, 1};

class ImportedReplacementsStoreTest : public ::testing::Test {
 protected:
  ImportedReplacementsStore store() { return ImportedReplacementsStore(file_, std::make_shared<LocalFileSystem>()); }

  testing::TemporaryFolder root_;
  fs::path file_ = root_ / "a" / "b" / "imported-replacements.json";
};

TEST_F(ImportedReplacementsStoreTest, SaveWritesCompactJsonAndLoadGivesBackTheSameValues) {
  for (const double seconds : {0.0, 0.1 + 0.2, 737000000.123456789, -1234.5, 1e-300, 7.0e8, 2.0 / 3.0}) {
    auto imported = store();
    ASSERT_TRUE(imported.save(sample, Date{seconds}));
    const auto loaded = imported.load();
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->first, sample);
    EXPECT_EQ(loaded->second.secondsSinceReferenceDate, seconds);  // bit for bit, not approximately
  }
  EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"imported-replacements.json"});

  EXPECT_EQ(ImportedReplacementsStore::encode(ParsedReplacements{{{"omw", "On my way"}}, 1, 2}, Date{0.5}),
            R"({"replacements":[{"shortcut":"omw","phrase":"On my way"}],"skippedNonASCII":1,"skippedDisabled":2,"importedAt":0.5})");
  EXPECT_FALSE(ImportedReplacementsStore::encode(sample, Date{std::numeric_limits<double>::infinity()}).has_value());
  EXPECT_FALSE(ImportedReplacementsStore::encode(sample, Date{std::nan("")}).has_value());
}

TEST(ImportedFileDecodeTest, AcceptsExtraMembersAnyOrderAndWholeNumberDatesAndDropsEmptyEntries) {
  const auto loaded = ImportedReplacementsStore::decode(
      R"({"importedAt":12,"extra":{"x":[1]},"skippedDisabled":0,"skippedNonASCII":3,
          "replacements":[{"phrase":"p","shortcut":"s","note":true},{"shortcut":"","phrase":"p"},
                          {"shortcut":"s","phrase":""},{"shortcut":"s","phrase":"again"}]})");
  ASSERT_TRUE(loaded.has_value());
  // Repeats stay: the merge drops them later.
  EXPECT_EQ(loaded->first, (ParsedReplacements{{{"s", "p"}, {"s", "again"}}, 3, 0}));
  EXPECT_EQ(loaded->second, Date{12});
}

TEST(ImportedFileDecodeTest, AnythingMalformedCountsAsAbsent) {
  // A good file with one member's value replaced, or left out when `value` is empty.
  const auto with = [](const std::string& member, const std::string& value) {
    const std::pair<std::string, std::string> members[] = {{"replacements", R"([{"shortcut":"s","phrase":"p"}])"},
                                                           {"skippedNonASCII", "0"}, {"skippedDisabled", "0"},
                                                           {"importedAt", "1"}};
    std::string file;
    for (const auto& [name, standard] : members) {
      const std::string& text = name == member ? value : standard;
      if (!text.empty()) file += (file.empty() ? "{\"" : ",\"") + name + "\":" + text;
    }
    return file + "}";
  };
  const std::string good = with("", "");
  ASSERT_TRUE(ImportedReplacementsStore::decode(good).has_value());
  const std::vector<std::string> broken{
      "", "[]", with("replacements", ""), with("skippedNonASCII", ""), with("skippedDisabled", ""),
      with("importedAt", ""), with("importedAt", R"("2024-05-17T09:30:00Z")"), with("importedAt", "null"),
      with("importedAt", "1e999"), with("skippedDisabled", "1.5"), with("skippedNonASCII", R"("0")"),
      with("skippedNonASCII", "18446744073709551615"), with("replacements", R"({"s":"p"})"),
      with("replacements", R"([{"shortcut":"s"}])"), with("replacements", R"([{"shortcut":1,"phrase":"p"}])"),
      with("importedAt", "1,\"x\":\"\xff\""), good.substr(0, good.size() - 1), std::string(1'000'000, '['),
      std::string("\0\x01\x02\xfe", 4),
  };
  for (const auto& bytes : broken) {
    EXPECT_FALSE(ImportedReplacementsStore::decode(bytes).has_value()) << bytes.substr(0, 120);
  }
}

// A tree of JSON values costs from 16 to 80 times the text of such files.
TEST(ImportedFileDecodeTest, DecodingHoldsLittleMoreThanTheListItKeeps) {
  const std::string record = R"({"shortcut":"a","phrase":"b"})";
  std::string dense = R"({"replacements":[],"extra":[{})";
  for (int i = 0; i < 1'000'000; ++i) dense += ",{}";
  std::string list = R"({"replacements":[)" + record;
  for (int i = 0; i < 100'000; ++i) list += "," + record;
  for (const std::string& head : {dense, list}) {
    const std::string bytes = head + R"(],"skippedNonASCII":0,"skippedDisabled":0,"importedAt":1})";
    const std::int64_t before = heldBytes;
    peakBytes = before;
    EXPECT_TRUE(ImportedReplacementsStore::decode(bytes).has_value());
    EXPECT_LT(peakBytes - before, 8 * static_cast<std::int64_t>(bytes.size())) << bytes.substr(0, 40);
  }
}

TEST_F(ImportedReplacementsStoreTest, FailedSavesKeepThePreviousFileAndLeaveNothingBehind) {
  auto imported = store();
  ASSERT_TRUE(imported.save(sample, Date{1}));
  const std::string good = testing::readBytes(file_);

  // Cap the size of files this process may write: the temporary file's write
  // fails partway (EFBIG), as on a full disk.
  ParsedReplacements big;
  for (int i = 0; i < 2000; ++i) big.replacements.push_back({"s" + std::to_string(i), std::string(100, 'x')});
  rlimit previous{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit capped = previous;
  capped.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &capped), 0);
  const bool saved = imported.save(big, Date{2});
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(testing::readBytes(file_), good);
  EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"imported-replacements.json"});

  // A folder where the file goes: the rename fails and the temporary file is removed.
  fs::remove(file_);
  fs::create_directories(file_);
  EXPECT_FALSE(store().save(sample, Date{1}));
  EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"imported-replacements.json"});

  fs::remove_all(root_ / "a");
  testing::writeBytes(root_ / "a", "a regular file where a folder belongs");
  EXPECT_FALSE(store().save(sample, Date{1}));
  EXPECT_EQ(testing::readBytes(root_ / "a"), "a regular file where a folder belongs");
}

TEST(AppDirectoriesTest, XdgValuesMustBeAbsoluteElseHomeIsUsed) {
  const auto environment = [](std::map<std::string, std::string> values) {
    return [values](const char* name) -> std::optional<std::string> {
      const auto found = values.find(name);
      return found == values.end() ? std::nullopt : std::optional(found->second);
    };
  };
  EXPECT_EQ(userDataDirectory(environment({{"HOME", "/home/u"}})), fs::path("/home/u/.local/share"));
  EXPECT_EQ(userDataDirectory(environment({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/x"}})), fs::path("/x"));
  EXPECT_EQ(userConfigDirectory(environment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "rel"}})),
            fs::path("/home/u/.config"));
}

}  // namespace
}  // namespace marlinet
