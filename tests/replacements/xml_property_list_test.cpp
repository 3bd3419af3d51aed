#include "replacements/xml_property_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace marlinet {
namespace {

std::optional<PropertyList> inPlist(const std::string& body) {
  return decodeXmlPropertyList("<plist version=\"1.0\">" + body + "</plist>");
}

TEST(XmlPropertyListTest, ReadsTheMarkupWritersProduce) {
  const std::string document =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\" "
      "[ <!ENTITY x \"]>\"> ]>\n"
      "<!-- written by hand -->\n"
      "<plist version=\"1.0\" note='a > b'>\n"
      "<dict>\n"
      "\t<key>empty</key><string/>\n"
      "\t<key>list</key><array><true/><false></false><dict/><array/></array>\n"
      "\t<key>text</key><string> a&lt;b&amp;c&#65;&#x1F600;<![CDATA[<not a tag> & ]]>d<!-- gone -->e </string>\n"
      "\t<key>bare key</key><key>as text</key>\n"
      "\t<key>empty</key><string>a repeated key keeps its last value</string>\n"
      "</dict>\n"
      "</plist>\n<!-- trailing comment -->\n";
  const PropertyList expected(PropertyList::Dictionary{
      {"empty", PropertyList("a repeated key keeps its last value")},
      {"list", PropertyList(PropertyList::Array{PropertyList(true), PropertyList(false),
                                                PropertyList(PropertyList::Dictionary{}),
                                                PropertyList(PropertyList::Array{})})},
      {"text", PropertyList(" a<b&cA\U0001F600<not a tag> & de ")},
      {"bare key", PropertyList("as text")},
  });
  EXPECT_EQ(decodeXmlPropertyList(document), expected);
  // Without the <plist> wrapper a single value is still a document.
  EXPECT_EQ(decodeXmlPropertyList("<string>bare</string>"), PropertyList("bare"));
}

TEST(XmlPropertyListTest, ReadsTextsNumbersDatesAndData) {
  const std::pair<std::string, PropertyList> cases[] = {
      {"<integer> 12 </integer>", PropertyList(12)},
      {"<integer>-5</integer>", PropertyList(-5)},
      {"<integer>0x1F</integer>", PropertyList(31)},
      {"<integer>-9223372036854775808</integer>", PropertyList(std::numeric_limits<std::int64_t>::min())},
      // Unsigned values above the signed range keep their bits.
      {"<integer>18446744073709551615</integer>", PropertyList(-1)},
      {"<real>1.5e3</real>", PropertyList(1500.0)},
      {"<real>-0.25</real>", PropertyList(-0.25)},
      {"<real>+infinity</real>", PropertyList(std::numeric_limits<double>::infinity())},
      {"<date>2001-01-01T00:00:00Z</date>", PropertyList(Date{0})},
      {"<date>2024-02-29T12:30:15.5Z</date>", PropertyList(Date{730902615.5})},
      {"<date>1970-01-01T00:00:00Z</date>", PropertyList(Date{-978307200})},
      {"<data>\n\tAAH/\n\tYQ==\n</data>", PropertyList(PropertyList::Data{std::string("\0\x01\xff" "a", 4)})},
      {"<data>YWI</data>", PropertyList(PropertyList::Data{"ab"})},
      {"<data/>", PropertyList(PropertyList::Data{})},
      // Texts come out as well-formed UTF-8, line ends as written.
      {"<string>a&#xD800;b</string>", PropertyList("a\uFFFDb")},
      {"<string>a\xff<![CDATA[\xc3]]>b</string>", PropertyList("a\uFFFD\uFFFDb")},
      {"<string>one\r\ntwo</string>", PropertyList("one\r\ntwo")},
  };
  for (const auto& [body, expected] : cases) EXPECT_EQ(inPlist(body), expected) << body;
  const auto notANumber = inPlist("<real>nan</real>");
  ASSERT_TRUE(notANumber.has_value());
  EXPECT_TRUE(std::isnan(std::get<double>(notANumber->value)));
}

TEST(XmlPropertyListTest, RefusesMalformedDocumentsInsteadOfGuessing) {
  const std::string bodies[] = {
      "",
      "<string>a</string><string>b</string>",
      "<unknown>1</unknown>",
      "<string>a</strin>",
      "<array><string>a</array>",
      "<array>loose text</array>",
      "<dict><key>a</key></dict>",
      "<dict><string>no key</string></dict>",
      "<dict><key>a</key><string>1</string>loose text</dict>",
      "<string>a<b/></string>",
      "<string>&bogus;</string>",
      "<string>a & b</string>",
      "<string>&#0;</string>",
      "<string>&#x110000;</string>",
      "<string><![CDATA[open</string>",
      "<string><!-- open</string>",
      "<integer>abc</integer>",
      "<integer>1.5</integer>",
      "<integer>18446744073709551616</integer>",
      "<integer>-9223372036854775809</integer>",
      "<integer></integer>",
      "<real>x</real>",
      "<real>+-1</real>",
      "<date>garbage</date>",
      "<date>2001-02-30T00:00:00Z</date>",
      "<date>2001-01-01T24:00:00Z</date>",
      "<date>2001-01-01T00:00:00.Z</date>",
      "<data>!!</data>",
      "<data>A</data>",
      "<data>AA=A</data>",
      "<true>yes</true>",
  };
  for (const std::string& body : bodies) EXPECT_FALSE(inPlist(body).has_value()) << body;
  for (const std::string document : {"<plist/>", "<plist><true/>", "<plist><true/></plist>trailing", "<plist><true/></array>",
                                     "<?xml version=\"1.0\"", "<!DOCTYPE plist [ <plist><true/></plist>"}) {
    EXPECT_FALSE(decodeXmlPropertyList(document).has_value()) << document;
  }
}

TEST(XmlPropertyListTest, DocumentsAreReadUpToTheLimitsOfWhatTheyDecodeTo) {
  std::string nest;
  for (int level = 0; level < maxPropertyListDepth; ++level) nest = "<array>" + nest + "</array>";
  // The array and its elements: exactly the values allowed, then one more.
  std::string values;
  for (std::uint64_t i = 1; i < maxPropertyListValues; ++i) values += "<true/>";
  // Each byte that is not UTF-8 becomes three: the last text passes the budget.
  const std::size_t bytes = maxPropertyListTextBytes / 3;
  const std::pair<std::string, bool> cases[] = {
      {nest, true},
      {"<array>" + nest + "</array>", false},
      {"<!--" + nest + nest + nest + "--><array/>", true},  // tags in comments do not nest
      {"<array>" + values + "</array>", true},
      {"<array>" + values + "<true/></array>", false},
      {"<string>" + std::string(bytes, '\xff') + "</string>", true},
      {"<string>" + std::string(bytes + 1, '\xff') + "</string>", false},
  };
  for (const auto& [body, read] : cases) EXPECT_EQ(inPlist(body).has_value(), read) << body.size();
}

}  // namespace
}  // namespace marlinet
