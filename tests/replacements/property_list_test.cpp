#include "replacements/property_list.h"

#include "support/replacements/property_list_writer.h"

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
                         [](const auto& format) { return format.param == PropertyListFormat::xml ? "xml" : "binary"; });

}  // namespace
}  // namespace marlinet
