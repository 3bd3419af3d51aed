#include "replacements/replacement_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace marlinet {
namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// --- The generated files and what each must give ---------------------------

std::vector<fs::path> generatedInputs() {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(fs::path(MARLINET_REPLACEMENTS_TEST_DATA) / "parse")) {
    if (entry.path().extension() == ".plist") inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

fs::path expectedFor(const fs::path& input) {
  const std::string stem = input.stem().stem().string();  // drop ".<encoding>.plist"
  return input.parent_path() / (stem + ".expected.json");
}

class GeneratedPropertyListTest : public ::testing::TestWithParam<fs::path> {};

TEST_P(GeneratedPropertyListTest, ParsesToTheExpectedResult) {
  const auto expected = nlohmann::json::parse(readBytes(expectedFor(GetParam())));
  const PropertyListParseResult result = parsePropertyList(readBytes(GetParam()));

  if (expected.contains("error")) {
    const auto* error = std::get_if<ReplacementParseError>(&result);
    ASSERT_NE(error, nullptr) << "parsed although an error was expected";
    const auto wanted = expected["error"] == "unreadable" ? ReplacementParseError::unreadable
                                                          : ReplacementParseError::unexpectedFormat;
    EXPECT_EQ(*error, wanted);
    return;
  }
  const auto* parsed = std::get_if<ParsedReplacements>(&result);
  ASSERT_NE(parsed, nullptr) << "failed with error " << static_cast<int>(std::get<ReplacementParseError>(result));
  ParsedReplacements wanted;
  for (const auto& pair : expected["replacements"]) {
    wanted.replacements.push_back(Replacement{pair[0].get<std::string>(), pair[1].get<std::string>()});
  }
  wanted.skippedNonASCII = expected["skippedNonASCII"].get<std::int64_t>();
  wanted.skippedDisabled = expected["skippedDisabled"].get<std::int64_t>();
  EXPECT_EQ(*parsed, wanted);
  // Equality is canonical; the texts must also be byte-identical.
  for (std::size_t i = 0; i < std::min(parsed->replacements.size(), wanted.replacements.size()); ++i) {
    EXPECT_EQ(parsed->replacements[i].phrase, wanted.replacements[i].phrase) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, GeneratedPropertyListTest, ::testing::ValuesIn(generatedInputs()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(GeneratedPropertyListTest, EveryCaseHasItsExpectedResult) {
  const auto inputs = generatedInputs();
  EXPECT_GE(inputs.size(), 40u);
  for (const auto& input : inputs) EXPECT_TRUE(fs::exists(expectedFor(input))) << input;
}

// --- parseItems and parseDictionary directly --------------------------------

PropertyList record(std::string replace, std::string with) {
  return PropertyList(PropertyList::Dictionary{{"replace", PropertyList(std::move(replace))},
                                               {"with", PropertyList(std::move(with))}});
}

TEST(ParseItemsTest, IgnoresTheExportShape) {
  const std::vector<PropertyList> items{
      PropertyList(PropertyList::Dictionary{{"shortcut", "omw"}, {"phrase", "On my way"}}),
      record("brb", "Be right back"),
      PropertyList("not a record"),
  };
  EXPECT_EQ(parseItems(items), (ParsedReplacements{{{"brb", "Be right back"}}, 0, 0}));
}

TEST(ParseItemsTest, RepairsPhrasesThatAreNotUtf8) {
  const auto parsed = parseItems({record("bad", "a\xff" "b")});
  ASSERT_EQ(parsed.replacements.size(), 1u);
  EXPECT_EQ(parsed.replacements[0].phrase, "a\xef\xbf\xbd" "b");
}

TEST(ParseDictionaryTest, KeysCollidingAfterTrimmingKeepTheFirstInCodePointOrder) {
  const std::map<std::string, std::string> entries{
      {"b", "second"}, {"a", "plain"}, {" a", "spaced"}, {"a\n", "newline"}, {"Z", "capital"}, {"\xc3\xa9", "e"}};
  EXPECT_EQ(parseDictionary(entries),
            (ParsedReplacements{{{"a", "spaced"}, {"Z", "capital"}, {"b", "second"}}, 1, 0}));
}

TEST(SwitchedOffTest, OnlyFalseNumbersAndFalseTextsSwitchOff) {
  for (const PropertyList& off : {PropertyList(0), PropertyList(false), PropertyList(0.0), PropertyList(-0.0),
                                  PropertyList("0"), PropertyList("fAlSe")}) {
    EXPECT_TRUE(isSwitchedOff(off));
  }
  for (const PropertyList& on :
       {PropertyList(-1), PropertyList(true), PropertyList(0.25), PropertyList(std::nan("")), PropertyList(""),
        PropertyList(" 0"), PropertyList("false "), PropertyList("no"), PropertyList(Date{0}),
        PropertyList(PropertyList::Array{}), PropertyList(PropertyList::Uid{0})}) {
    EXPECT_FALSE(isSwitchedOff(on));
  }
}

// --- Hostile files ----------------------------------------------------------

std::string nestedXml(int depth, bool closed) {
  std::string text = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < depth; ++i) text += "<array>";
  if (closed) {
    for (int i = 0; i < depth; ++i) text += "</array>";
  }
  return text + "</plist>";
}

// A compact file of `levels` arrays, each holding its successor twice: tiny on
// disk, 2^levels values once every reference is expanded.
std::string sharedArrayBomb(int levels) {
  std::string bytes = "bplist00";
  std::vector<std::uint8_t> offsets;
  for (int i = 0; i < levels; ++i) {
    offsets.push_back(static_cast<std::uint8_t>(bytes.size()));
    if (i + 1 < levels) {
      bytes += static_cast<char>(0xA2);
      bytes += static_cast<char>(i + 1);
      bytes += static_cast<char>(i + 1);
    } else {
      bytes += static_cast<char>(0xA0);
    }
  }
  const auto tableOffset = bytes.size();
  for (auto offset : offsets) bytes += static_cast<char>(offset);
  std::string trailer(32, '\0');
  trailer[6] = 1;  // offset size
  trailer[7] = 1;  // reference size
  trailer[15] = static_cast<char>(levels);
  trailer[31] = static_cast<char>(tableOffset);
  return bytes + trailer;
}

TEST(HostilePropertyListTest, DeepNestingIsUnreadableNotACrash) {
  for (const bool closed : {true, false}) {
    const auto result = parsePropertyList(nestedXml(200000, closed));
    ASSERT_TRUE(std::holds_alternative<ReplacementParseError>(result));
    EXPECT_EQ(std::get<ReplacementParseError>(result), ReplacementParseError::unreadable);
  }
  // Moderate nesting is still read: an array of arrays is simply no list.
  EXPECT_EQ(std::get<ReplacementParseError>(parsePropertyList(nestedXml(100, true))),
            ReplacementParseError::unexpectedFormat);
}

TEST(HostilePropertyListTest, SharedSubArraysCannotExplode) {
  EXPECT_EQ(std::get<ReplacementParseError>(parsePropertyList(sharedArrayBomb(64))),
            ReplacementParseError::unreadable);
  // The same construction kept small is an ordinary (if odd) property list.
  EXPECT_EQ(std::get<ReplacementParseError>(parsePropertyList(sharedArrayBomb(4))),
            ReplacementParseError::unexpectedFormat);
}

TEST(HostilePropertyListTest, SelfReferenceIsUnreadable) {
  std::string bytes = sharedArrayBomb(1);
  bytes[8] = static_cast<char>(0xA1);  // one element...
  bytes.insert(9, 1, '\0');            // ...which is the array itself
  bytes[10] = 8;                       // offset table entry moved by one
  bytes[bytes.size() - 1] = 10;
  EXPECT_EQ(std::get<ReplacementParseError>(parsePropertyList(bytes)), ReplacementParseError::unreadable);
}

TEST(HostilePropertyListTest, KeysHoldingNulAreUnreadable) {
  // Each of these once aborted inside libplist.
  for (const auto& entry : fs::directory_iterator(fs::path(MARLINET_REPLACEMENTS_TEST_DATA) / "regression")) {
    const auto result = parsePropertyList(readBytes(entry.path()));
    ASSERT_TRUE(std::holds_alternative<ReplacementParseError>(result)) << entry.path();
    EXPECT_EQ(std::get<ReplacementParseError>(result), ReplacementParseError::unreadable) << entry.path();
  }
  const std::string xml = std::string("<plist><dict><key>a") + '\0' + "b</key><string>v</string></dict></plist>";
  EXPECT_EQ(std::get<ReplacementParseError>(parsePropertyList(xml)), ReplacementParseError::unreadable);
}

TEST(HostilePropertyListTest, TenMegabyteFilesAreHandled) {
  std::string list = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>";
  std::size_t count = 0;
  while (list.size() < 10u << 20) {
    list += "<dict><key>shortcut</key><string>s" + std::to_string(count++) +
            "</string><key>phrase</key><string>some phrase text</string></dict>";
  }
  list += "</array></plist>";
  const auto result = parsePropertyList(list);
  const auto* parsed = std::get_if<ParsedReplacements>(&result);
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(parsed->replacements.size(), count);

  std::string garbage(10u << 20, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
  EXPECT_TRUE(std::holds_alternative<ReplacementParseError>(parsePropertyList(garbage)));
}

TEST(HostilePropertyListTest, EveryTruncationOfAValidFileIsHandled) {
  const std::string xml = readBytes(fs::path(MARLINET_REPLACEMENTS_TEST_DATA) / "parse/mixed_shapes.xml.plist");
  const std::string binary = readBytes(fs::path(MARLINET_REPLACEMENTS_TEST_DATA) / "parse/mixed_shapes.binary.plist");
  ASSERT_TRUE(std::holds_alternative<ParsedReplacements>(parsePropertyList(binary)));
  // The compact encoding ends in its trailer: every cut is unreadable.
  for (std::size_t length = 0; length < binary.size(); ++length) {
    const auto result = parsePropertyList(std::string_view(binary).substr(0, length));
    ASSERT_TRUE(std::holds_alternative<ReplacementParseError>(result)) << length;
    EXPECT_EQ(std::get<ReplacementParseError>(result), ReplacementParseError::unreadable) << length;
  }
  // A cut XML file must not yield more than the whole file holds.
  for (std::size_t length = 0; length < xml.size(); ++length) {
    const auto result = parsePropertyList(std::string_view(xml).substr(0, length));
    if (const auto* parsed = std::get_if<ParsedReplacements>(&result)) {
      EXPECT_LE(parsed->replacements.size(), 3u) << length;
    }
  }
}

}  // namespace
}  // namespace marlinet
