#include "replacements/property_list.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

PropertyList everyType() {
  return PropertyList(PropertyList::Array{
      PropertyList("text \u00e9\U0001f600"),
      PropertyList(""),
      PropertyList(std::int64_t{-42}),
      PropertyList(std::int64_t{1} << 40),
      PropertyList(2.5),
      PropertyList(true),
      PropertyList(false),
      PropertyList(Date{737000000}),  // the XML encoding keeps whole seconds
      PropertyList(PropertyList::Data{std::string("\0\x01\xff", 3)}),
      PropertyList(PropertyList::Array{}),
      PropertyList(PropertyList::Dictionary{{"k\u00fc", PropertyList("v")}, {"n", PropertyList(PropertyList::Array{1, 2})}}),
  });
}

class PropertyListRoundTripTest : public ::testing::TestWithParam<PropertyListFormat> {};

TEST_P(PropertyListRoundTripTest, EveryValueTypeSurvives) {
  const auto bytes = encodePropertyList(everyType(), GetParam());
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(decodePropertyList(*bytes), everyType());
}

TEST_P(PropertyListRoundTripTest, NestingUpToTheLimitIsRead) {
  PropertyList deepest(PropertyList::Array{});
  for (int level = 1; level < maxPropertyListDepth; ++level) deepest = PropertyList(PropertyList::Array{deepest});
  const auto atLimit = encodePropertyList(deepest, GetParam());
  ASSERT_TRUE(atLimit.has_value());
  EXPECT_EQ(decodePropertyList(*atLimit), deepest);
  EXPECT_FALSE(encodePropertyList(PropertyList(PropertyList::Array{deepest}), GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(Formats, PropertyListRoundTripTest,
                         ::testing::Values(PropertyListFormat::xml, PropertyListFormat::binary),
                         [](const auto& info) { return info.param == PropertyListFormat::xml ? "xml" : "binary"; });

TEST(PropertyListTest, XmlNestedBeyondTheLimitIsRefusedOneLevelOn) {
  auto nested = [](int depth) {
    std::string text = "<plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i) text += "<array>";
    for (int i = 0; i < depth; ++i) text += "</array>";
    return text + "</plist>";
  };
  EXPECT_TRUE(decodePropertyList(nested(maxPropertyListDepth)).has_value());
  EXPECT_FALSE(decodePropertyList(nested(maxPropertyListDepth + 1)).has_value());
  // Tags inside comments do not count as nesting.
  EXPECT_TRUE(decodePropertyList("<plist version=\"1.0\"><!--" + nested(2000) + "--><array/></plist>").has_value());
}

TEST(PropertyListTest, TextsThatAreNotUtf8AreRepaired) {
  // A compact file whose one-byte ("ASCII") string holds bytes beyond ASCII.
  std::string bytes = "bplist00";
  bytes += static_cast<char>(0x53);  // string of 3 bytes
  bytes += "a\xff" "b";
  bytes += static_cast<char>(8);  // offset table
  std::string trailer(32, '\0');
  trailer[6] = 1;
  trailer[7] = 1;
  trailer[15] = 1;
  trailer[31] = 12;
  const auto decoded = decodePropertyList(bytes + trailer);
  ASSERT_TRUE(decoded.has_value());
  ASSERT_NE(decoded->text(), nullptr);
  EXPECT_EQ(*decoded->text(), "a\xef\xbf\xbd" "b");
}

}  // namespace
}  // namespace marlinet
