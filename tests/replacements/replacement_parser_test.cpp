#include "replacements/replacement_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/replacements/compact_bytes.h"
#include "support/temporary_folder.h"

namespace marlinet {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

const fs::path kData = MARLINET_REPLACEMENTS_TEST_DATA;
const fs::path kGenerated = MARLINET_GENERATED_TEST_DATA;

// --- The generated files and what each must give ---------------------------

std::vector<fs::path> generatedInputs() {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(kGenerated)) {
    if (entry.path().extension() == ".plist") inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

// The file beside `input` with ".<encoding>.plist" replaced by `ending`.
fs::path sibling(const fs::path& input, const std::string& ending) {
  return input.parent_path() / (input.stem().stem().string() + ending);
}

class GeneratedPropertyListTest : public ::testing::TestWithParam<fs::path> {};

// Compared as JSON, so the texts must be byte-identical, not only canonically equal.
TEST_P(GeneratedPropertyListTest, ParsesToTheExpectedResult) {
  const PropertyListParseResult result = parsePropertyList(readBytes(GetParam()));
  nlohmann::json got;
  if (const auto* error = std::get_if<ReplacementParseError>(&result)) {
    got["error"] = *error == ReplacementParseError::unreadable ? "unreadable" : "unexpectedFormat";
  } else {
    const auto& parsed = std::get<ParsedReplacements>(result);
    got["replacements"] = nlohmann::json::array();
    for (const Replacement& r : parsed.replacements) {
      got["replacements"].push_back(nlohmann::json::array({r.shortcut, r.phrase}));
    }
    got["skippedNonASCII"] = parsed.skippedNonASCII;
    got["skippedDisabled"] = parsed.skippedDisabled;
  }
  EXPECT_EQ(got, nlohmann::json::parse(readBytes(sibling(GetParam(), ".expected.json"))));
}

INSTANTIATE_TEST_SUITE_P(Files, GeneratedPropertyListTest, ::testing::ValuesIn(generatedInputs()),
                         [](const ::testing::TestParamInfo<fs::path>& param) {
                           std::string name = param.param.stem().string();
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

// Both encodings of a case were written from one value by another program, so
// the two readers must agree on each, value types and all.
TEST(GeneratedPropertyListTest, BothEncodingsDecodeToTheSameValue) {
  int pairs = 0;
  for (const fs::path& input : generatedInputs()) {
    const std::string name = input.filename().string();
    if (!name.ends_with(".xml.plist")) continue;
    const auto fromXml = decodePropertyList(readBytes(input));
    ASSERT_TRUE(fromXml.has_value()) << name;
    EXPECT_EQ(fromXml, decodePropertyList(readBytes(sibling(input, ".binary.plist")))) << name;
    ++pairs;
  }
  EXPECT_GE(pairs, 15);
}

// --- Rules the generated files do not reach -------------------------------

TEST(ParseItemsTest, TakesOnlySystemRecordsAndRepairsPhrasesThatAreNotUtf8) {
  const std::vector<PropertyList> items{
      PropertyList(PropertyList::Dictionary{{"shortcut", "omw"}, {"phrase", "On my way"}}),
      PropertyList(PropertyList::Dictionary{{"replace", "bad"}, {"with", "a\xff" "b"}}),
      PropertyList("not a record"),
  };
  EXPECT_EQ(parseItems(items), (ParsedReplacements{{{"bad", "a\xef\xbf\xbd" "b"}}, 0, 0}));
}

TEST(SwitchedOffTest, OnlyFalseNumbersAndExactFalseTextsSwitchOff) {
  for (const PropertyList& off : {PropertyList(-0.0), PropertyList("fAlSe")}) EXPECT_TRUE(isSwitchedOff(off));
  for (const PropertyList& on : {PropertyList(-1), PropertyList(0.25), PropertyList(std::nan("")),
                                 PropertyList(" 0"), PropertyList("false "), PropertyList(PropertyList::Uid{0})}) {
    EXPECT_FALSE(isSwitchedOff(on));
  }
}

// --- Hostile files ----------------------------------------------------------

std::optional<ReplacementParseError> errorOf(std::string_view bytes) {
  const auto result = parsePropertyList(bytes);
  const auto* error = std::get_if<ReplacementParseError>(&result);
  return error ? std::optional(*error) : std::nullopt;
}

// A compact file of `levels` arrays, each holding its successor twice: tiny on
// disk, 2^levels values once every reference is expanded.
std::string sharedArrayBomb(int levels) {
  std::vector<std::string> objects;
  for (int i = 1; i < levels; ++i) objects.push_back(testing::raw({0xA2, i, i}));
  objects.push_back(testing::raw({0xA0}));
  return testing::compactFile(objects);
}

TEST(HostilePropertyListTest, DeepNestingIsUnreadableNotACrash) {
  std::string opening = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  std::string closing;
  for (int i = 0; i < 200000; ++i) {
    opening += "<array>";
    closing += "</array>";
  }
  // Closed or not, the reader must give up on the way down, not overflow the stack.
  for (const std::string& end : {std::string(), closing}) {
    EXPECT_EQ(errorOf(opening + end + "</plist>"), ReplacementParseError::unreadable);
  }
}

TEST(HostilePropertyListTest, SharedAndSelfReferencingArraysCannotExplode) {
  EXPECT_EQ(errorOf(sharedArrayBomb(64)), ReplacementParseError::unreadable);
  // The same construction kept small is an ordinary (if odd) property list.
  EXPECT_EQ(errorOf(sharedArrayBomb(4)), ReplacementParseError::unexpectedFormat);

  // An array whose one element is the array itself.
  EXPECT_EQ(errorOf(testing::compactFile({testing::raw({0xA1, 0})})), ReplacementParseError::unreadable);
}

TEST(HostilePropertyListTest, KeysHoldingNulAreUnreadable) {
  // Found by fuzzing when libplist still read these files (it aborted on them).
  for (const auto& entry : fs::directory_iterator(kData / "regression")) {
    EXPECT_EQ(errorOf(readBytes(entry.path())), ReplacementParseError::unreadable) << entry.path();
  }
  const std::string xml = std::string("<plist><dict><key>a") + '\0' + "b</key><string>v</string></dict></plist>";
  EXPECT_EQ(errorOf(xml), ReplacementParseError::unreadable);
}

TEST(HostilePropertyListTest, TenMegabyteFilesAreHandled) {
  std::string list = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>";
  std::size_t count = 0;
  while (list.size() < 10u << 20) {
    list += "<dict><key>shortcut</key><string>s" + std::to_string(count++) +
            "</string><key>phrase</key><string>some phrase text</string></dict>";
  }
  const auto result = parsePropertyList(list + "</array></plist>");
  ASSERT_TRUE(std::holds_alternative<ParsedReplacements>(result));
  EXPECT_EQ(std::get<ParsedReplacements>(result).replacements.size(), count);

  std::string garbage(10u << 20, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
  EXPECT_TRUE(errorOf(garbage).has_value());
}

TEST(HostilePropertyListTest, EveryTruncationOfAValidFileIsHandled) {
  const std::string xml = readBytes(kGenerated / "mixed_shapes.xml.plist");
  const std::string binary = readBytes(kGenerated / "mixed_shapes.binary.plist");
  ASSERT_FALSE(errorOf(binary).has_value());
  // The compact encoding ends in its trailer: every cut is unreadable.
  for (std::size_t length = 0; length < binary.size(); ++length) {
    EXPECT_EQ(errorOf(std::string_view(binary).substr(0, length)), ReplacementParseError::unreadable) << length;
  }
  // So is every XML cut that loses any of the document.
  const std::size_t documentEnd = xml.find("</plist>") + 8;
  for (std::size_t length = 0; length < documentEnd; ++length) {
    EXPECT_EQ(errorOf(std::string_view(xml).substr(0, length)), ReplacementParseError::unreadable) << length;
  }
}

}  // namespace
}  // namespace marlinet
