#include "replacements/property_list.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "replacements/compact_property_list.h"
#include "replacements/xml_property_list.h"
#include "support/replacements/compact_bytes.h"
#include "support/replacements/property_list_writer.h"

namespace marlinet {
namespace {

// The deepest value allowed is read back whole from either encoding.
TEST(PropertyListTest, NestingUpToTheLimitIsRead) {
  PropertyList deepest(PropertyList::Array{});
  for (int level = 1; level < maxPropertyListDepth; ++level) deepest = PropertyList(PropertyList::Array{deepest});
  for (const PropertyListFormat format : {PropertyListFormat::xml, PropertyListFormat::binary}) {
    const auto atLimit = encodePropertyList(deepest, format);
    ASSERT_TRUE(atLimit.has_value());
    EXPECT_EQ(decodePropertyList(*atLimit), deepest);
  }
  EXPECT_EQ(decodeXmlPropertyList(encodeXmlPropertyList(deepest)), deepest);
}

// --- The XML reader -----------------------------------------------------------

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
      {"<integer> 12 </integer>", PropertyList(12)}, {"<integer>-5</integer>", PropertyList(-5)},
      {"<integer>0x1F</integer>", PropertyList(31)},
      {"<integer>-9223372036854775808</integer>", PropertyList(std::numeric_limits<std::int64_t>::min())},
      // Unsigned values above the signed range keep their bits.
      {"<integer>18446744073709551615</integer>", PropertyList(-1)}, {"<real>1.5e3</real>", PropertyList(1500.0)},
      {"<real>-0.25</real>", PropertyList(-0.25)},
      {"<real>+infinity</real>", PropertyList(std::numeric_limits<double>::infinity())},
      {"<date>2001-01-01T00:00:00Z</date>", PropertyList(Date{0})},
      {"<date>2024-02-29T12:30:15.5Z</date>", PropertyList(Date{730902615.5})},
      {"<date>1970-01-01T00:00:00Z</date>", PropertyList(Date{-978307200})},
      {"<data>\n\tAAH/\n\tYQ==\n</data>", PropertyList(PropertyList::Data{std::string("\0\x01\xff" "a", 4)})},
      {"<data>YWI</data>", PropertyList(PropertyList::Data{"ab"})}, {"<data/>", PropertyList(PropertyList::Data{})},
      // Texts come out as well-formed UTF-8, line ends as written.
      {"<string>a&#xD800;b</string>", PropertyList("a\uFFFDb")},
      {"<string>a\xff<![CDATA[\xc3]]>b</string>", PropertyList("a\uFFFD\uFFFDb")},
      {"<string>one\r\ntwo</string>", PropertyList("one\r\ntwo")},
      // A dictionary holding only an integer under CF$UID is a keyed-archive reference.
      {"<dict><key>CF$UID</key><integer>7</integer></dict>", PropertyList(PropertyList::Uid{7})},
      {"<dict><key>CF$UID</key><integer>7</integer><key>b</key><true/></dict>",
       PropertyList(PropertyList::Dictionary{{"CF$UID", PropertyList(7)}, {"b", PropertyList(true)}})},
      {"<dict><key>CF$UID</key><string>7</string></dict>",
       PropertyList(PropertyList::Dictionary{{"CF$UID", PropertyList("7")}})},
  };
  for (const auto& [body, expected] : cases) EXPECT_EQ(inPlist(body), expected) << body;
  const auto notANumber = inPlist("<real>nan</real>");
  ASSERT_TRUE(notANumber.has_value());
  EXPECT_TRUE(std::isnan(std::get<double>(notANumber->value)));
}

TEST(XmlPropertyListTest, RefusesMalformedDocumentsInsteadOfGuessing) {
  const std::string bodies[] = {
      "", "<string>a</string><string>b</string>", "<unknown>1</unknown>", "<string>a</strin>",
      "<array><string>a</array>", "<array>loose text</array>", "<dict><key>a</key></dict>",
      "<dict><string>no key</string></dict>", "<dict><key>a</key><string>1</string>loose text</dict>",
      "<string>a<b/></string>", "<string>&bogus;</string>", "<string>a & b</string>", "<string>&#0;</string>",
      "<string>&#x110000;</string>", "<string><![CDATA[open</string>", "<string><!-- open</string>",
      "<integer>abc</integer>", "<integer>1.5</integer>", "<integer>18446744073709551616</integer>",
      "<integer>-9223372036854775809</integer>", "<integer></integer>", "<real>x</real>", "<real>+-1</real>",
      "<date>garbage</date>", "<date>2001-02-30T00:00:00Z</date>", "<date>2001-01-01T24:00:00Z</date>",
      "<date>2001-01-01T00:00:00.Z</date>", "<data>!!</data>", "<data>A</data>", "<data>AA=A</data>",
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
      // A reference is one value, however many its spelling takes.
      {"<array>" + values.substr(7) + "<dict><key>CF$UID</key><integer>1</integer></dict></array>", true},
      {"<string>" + std::string(bytes, '\xff') + "</string>", true},
      {"<string>" + std::string(bytes + 1, '\xff') + "</string>", false},
  };
  for (const auto& [body, read] : cases) EXPECT_EQ(inPlist(body).has_value(), read) << body.size();
}

// --- The XML writer -------------------------------------------------------------


PropertyList record(std::initializer_list<std::pair<const std::string, PropertyList>> entries) {
  return PropertyList(PropertyList::Dictionary(entries));
}

// The user's own list, with a key of another program's that must be kept.
TEST(XmlPropertyListWriterTest, ReplacementListsReadBackTheSameInBothReaders) {
  const PropertyList list(PropertyList::Array{
      record({{"replace", "addr"}, {"with", "1 Main St\nFlat 2\r\nSpringfield\r"}, {"on", true}}),
      record({{"replace", "sig"}, {"with", "\tBest,\n\t\xE2\x80\x94 Zo\xC3\xAB  "}, {"note", "kept"}}),
      record({{"replace", "a&b"}, {"with", "<b>&amp; ]]> \"quoted\" 'it'</b>"}}),
      record({{"replace", "\xE3\x81\x82\xE3\x82\x8A"},
              {"with", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"}}),
      record({{"replace", "bell"}, {"with", "\x01\x07\x1B[0m\x1F\x7F end"}}),
  });
  const std::string written = encodeXmlPropertyList(list);
  EXPECT_EQ(decodeXmlPropertyList(written), list) << written;
  EXPECT_EQ(decodeWithLibplist(written), list) << written;
  // Neither reader turns line ends into line feeds, as XML readers must.
  std::string normalised;
  for (std::size_t i = 0; i < written.size(); ++i) {
    normalised.push_back(written[i] == '\r' ? '\n' : written[i]);
    if (written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n') ++i;
  }
  EXPECT_EQ(decodeXmlPropertyList(normalised), list);
}

TEST(XmlPropertyListWriterTest, EveryValueReadsBackAsWrittenOrAsCloseAsXmlAllows) {
  std::string allBytes;
  for (int byte = 0; byte < 256; ++byte) allBytes.push_back(static_cast<char>(byte));
  const PropertyList exact[] = {
      PropertyList(std::numeric_limits<std::int64_t>::min()), PropertyList(std::numeric_limits<std::int64_t>::max()),
      PropertyList(0.1), PropertyList(-1e300), PropertyList(std::numeric_limits<double>::denorm_min()),
      PropertyList(9007199254740993.0), PropertyList(std::numeric_limits<double>::infinity()),
      PropertyList(-std::numeric_limits<double>::infinity()), PropertyList(false), PropertyList(""),
      PropertyList(Date{0}), PropertyList(Date{730902615.25}), PropertyList(Date{-978307200.000001}),
      PropertyList(Date{0.1}), PropertyList(Date{1e-300}), PropertyList(Date{-1.5}),
      PropertyList(Date{-62167219200.0 - Date::referenceDateUnixSeconds}),  // 0000-01-01
      PropertyList(PropertyList::Data{}), PropertyList(PropertyList::Data{"a"}), PropertyList(PropertyList::Data{"ab"}),
      PropertyList(PropertyList::Data{allBytes}), PropertyList(PropertyList::Uid{0}),
      PropertyList(PropertyList::Uid{~std::uint64_t{0}}), PropertyList(PropertyList::Array{}),
      PropertyList(PropertyList::Dictionary{}),
      PropertyList(PropertyList::Array{PropertyList(PropertyList::Array{}),
                                       record({{"", PropertyList(PropertyList::Dictionary{})}, {"\r\x02", 1}})}),
  };
  for (const PropertyList& value : exact) EXPECT_EQ(decodeXmlPropertyList(encodeXmlPropertyList(value)), value);

  const std::pair<PropertyList, PropertyList> approximate[] = {
      {PropertyList(std::string("a\0b", 3)), PropertyList("a\uFFFDb")},
      {record({{std::string("k\0", 2), 1}}), record({{"k\uFFFD", 1}})},
      // The last second of 9999, the latest the encoding spells.
      {PropertyList(Date{1e300}), PropertyList(Date{253402300799.0 - Date::referenceDateUnixSeconds})},
      {PropertyList(Date{std::numeric_limits<double>::quiet_NaN()}), PropertyList(Date{0})},
      {PropertyList(Date{-1e-300}), PropertyList(Date{0})},  // the nearest the whole-second sum reaches
  };
  for (const auto& [value, readBack] : approximate) {
    EXPECT_EQ(decodeXmlPropertyList(encodeXmlPropertyList(value)), readBack);
  }
  const auto notANumber = decodeXmlPropertyList(encodeXmlPropertyList(PropertyList(std::nan(""))));
  ASSERT_TRUE(notANumber.has_value());
  EXPECT_TRUE(std::isnan(std::get<double>(notANumber->value)));
}

// --- The compact (binary) reader ----------------------------------------------

using testing::bigEndian;
using testing::compactFile;
using testing::raw;

std::string ascii(const std::string& text) { return raw({0x5F, 0x12}) + bigEndian(text.size(), 4) + text; }

// A chain of `levels` arrays, each holding the next, with two-byte references
// (more than 256 objects): deeper than any writer makes.
std::string compactChain(int levels) {
  std::string bytes = "bplist00";
  std::vector<std::size_t> offsets;
  for (int level = 0; level < levels; ++level) {
    offsets.push_back(bytes.size());
    bytes += level + 1 < levels ? raw({0xA1}) + bigEndian(level + 1, 2) : raw({0xA0});
  }
  const std::size_t table = bytes.size();
  for (const std::size_t offset : offsets) bytes += bigEndian(offset, 4);
  return bytes + std::string(6, '\0') + raw({4, 2}) + bigEndian(levels, 8) + bigEndian(0, 8) + bigEndian(table, 8);
}

TEST(CompactPropertyListTest, NestingStopsExactlyAtTheLimit) {
  EXPECT_TRUE(decodeCompactPropertyList(compactChain(maxPropertyListDepth)).has_value());
  EXPECT_FALSE(decodeCompactPropertyList(compactChain(maxPropertyListDepth + 1)).has_value());
}

TEST(CompactPropertyListTest, ReadsEveryObjectKind) {
  const std::vector<std::string> objects = {
      raw({0xAF, 0x10, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}),
      raw({0x10, 42}),
      raw({0x11, 0x01, 0x00}),
      raw({0x12, 0xFF, 0xFF, 0xFF, 0xFF}),            // four bytes are unsigned
      raw({0x13}) + bigEndian(~std::uint64_t{0}, 8),  // eight bytes are signed
      raw({0x14}) + std::string(8, '\0') + bigEndian(5, 8),
      raw({0x22}) + bigEndian(std::bit_cast<std::uint32_t>(1.5f), 4),
      raw({0x23}) + bigEndian(std::bit_cast<std::uint64_t>(-0.25), 8),
      raw({0x33}) + bigEndian(std::bit_cast<std::uint64_t>(12.5), 8),
      raw({0x81, 0x01, 0x02}),
      raw({0x09}),
      raw({0x42, 'a', 0x00}),
      raw({0x63, 0xD8, 0x3D, 0xDE, 0x00, 0x00, 'A'}),  // a surrogate pair, then A
      raw({0x61, 0xD8, 0x00}),                         // a lone surrogate
      raw({0x5F, 0x10, 20}) + "twenty bytes of text",
      raw({0xC1, 10}),                                 // a set reads as an array
      raw({0xD2, 17, 17, 10, 2}),                      // a repeated key keeps its last value
      raw({0x51, 'k'}),
      raw({0x53, 'a', 0xFF, 'b'}),                     // one-byte text that is not ASCII
  };
  const PropertyList expected(PropertyList::Array{
      PropertyList(42), PropertyList(256), PropertyList(std::int64_t{4294967295}), PropertyList(-1),
      PropertyList(5), PropertyList(1.5), PropertyList(-0.25), PropertyList(Date{12.5}),
      PropertyList(PropertyList::Uid{0x0102}), PropertyList(true), PropertyList(PropertyList::Data{std::string("a\0", 2)}),
      PropertyList("\U0001F600A"), PropertyList("\uFFFD"), PropertyList("twenty bytes of text"),
      PropertyList(PropertyList::Array{PropertyList(true)}),
      PropertyList(PropertyList::Dictionary{{"k", PropertyList(256)}}), PropertyList("k"), PropertyList("a\uFFFDb")});
  EXPECT_EQ(decodeCompactPropertyList(compactFile(objects)), expected);
}

TEST(CompactPropertyListTest, RefusesObjectsItCannotReadSafely) {
  const std::vector<std::vector<std::string>> files = {
      {raw({0xA1, 5})},                           // a reference past the object table
      {raw({0x5F, 0x10, 64, 'a', 'b'})},          // a count running past the objects
      {raw({0xD1, 1, 1}), raw({0x10, 1})},        // a key that is not text
      {raw({0x00})},                              // null holds no value
      {raw({0x0F})},                              // nor does fill
      {raw({0x20, 0x01})},                        // a one-byte real
      {raw({0x15}) + std::string(32, '\0')},      // a 32-byte integer
      {raw({0x32, 0, 0, 0, 0})},                  // a four-byte date
      {raw({0x88}) + std::string(9, '\x01')},     // a nine-byte identifier
      {raw({0x13, 0x01})},                        // an integer cut short by the table
      {raw({0x90})},                              // an unknown kind of object
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_FALSE(decodeCompactPropertyList(compactFile(files[i])).has_value()) << "file " << i;
  }

  const std::string good = compactFile({raw({0x09})});
  EXPECT_TRUE(decodeCompactPropertyList(good).has_value());
  std::string intoTheTable = good;
  intoTheTable[9] = 9;  // the only offset now points at the table itself
  std::string noOffsetSize = good;
  noOffsetSize[good.size() - 32 + 6] = 0;
  for (const std::string& bad : {compactFile({raw({0x09})}, 1), intoTheTable, noOffsetSize}) {
    EXPECT_FALSE(decodeCompactPropertyList(bad).has_value());
  }
}

// Writers store equal values once and refer to them again and again, so an
// array of references to one long text (or to one record holding it) is an
// ordinary file, until the texts it expands to pass the budget.
TEST(CompactPropertyListTest, SharedValuesAreReadUntilTheirTextsPassTheBudget) {
  const std::size_t budget = maxPropertyListTextBytes;
  const struct {
    bool records;
    std::size_t references, textLength;
    bool read;
  } cases[] = {
      {false, 300'000, 2'500'000, false},  // 3 MB that would expand to 750 GB
      {true, 300'000, 2'500'000, false},
      {false, 64, budget / 64, true},  // exactly the budget
      {false, 65, budget / 64, false},
      {true, 1000, 1000, true},
  };
  for (const auto& [records, references, textLength, read] : cases) {
    const std::string array = raw({0xAF, 0x12}) + bigEndian(references, 4) + std::string(references, '\x01');
    const std::string text = ascii(std::string(textLength, 'x'));
    const auto decoded = decodeCompactPropertyList(
        records ? compactFile({array, raw({0xD2, 2, 4, 3, 5}), ascii("replace"), ascii("a"), ascii("with"), text})
                : compactFile({array, text}));
    ASSERT_EQ(decoded.has_value(), read) << references << (records ? " records" : " texts");
    if (read) {
      EXPECT_EQ(std::get<PropertyList::Array>(decoded->value).size(), references);
    }
  }
}

}  // namespace
}  // namespace marlinet
