#include "replacements/compact_property_list.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <vector>

namespace marlinet {
namespace {

std::string raw(std::initializer_list<int> bytes) {
  std::string result;
  for (const int byte : bytes) result += static_cast<char>(byte);
  return result;
}

std::string bigEndian(std::uint64_t value, int width) {
  std::string result;
  for (int i = width - 1; i >= 0; --i) result += static_cast<char>((value >> (8 * i)) & 0xFF);
  return result;
}

// A compact file of the given encoded objects, with one-byte offsets and
// references (so the whole file stays under 256 bytes).
std::string compactFile(const std::vector<std::string>& objects, int top = 0) {
  std::string bytes = "bplist00";
  std::string table;
  for (const std::string& object : objects) {
    table += static_cast<char>(bytes.size());
    bytes += object;
  }
  const std::size_t tableOffset = bytes.size();
  std::string trailer(32, '\0');
  trailer[6] = 1;  // offset size
  trailer[7] = 1;  // reference size
  trailer[15] = static_cast<char>(objects.size());
  trailer[23] = static_cast<char>(top);
  trailer[31] = static_cast<char>(tableOffset);
  return bytes + table + trailer;
}

TEST(CompactPropertyListTest, ReadsEveryObjectKind) {
  const std::vector<std::string> objects = {
      raw({0xAF, 0x10, 17, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}),
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
  };
  const PropertyList expected(PropertyList::Array{
      PropertyList(42), PropertyList(256), PropertyList(std::int64_t{4294967295}), PropertyList(-1),
      PropertyList(5), PropertyList(1.5), PropertyList(-0.25), PropertyList(Date{12.5}),
      PropertyList(PropertyList::Uid{0x0102}), PropertyList(true), PropertyList(PropertyList::Data{std::string("a\0", 2)}),
      PropertyList("\U0001F600A"), PropertyList("\uFFFD"), PropertyList("twenty bytes of text"),
      PropertyList(PropertyList::Array{PropertyList(true)}),
      PropertyList(PropertyList::Dictionary{{"k", PropertyList(256)}}), PropertyList("k")});
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
  std::string topOutside = compactFile({raw({0x09})}, 1);
  EXPECT_FALSE(decodeCompactPropertyList(topOutside).has_value());
  std::string intoTheTable = good;
  intoTheTable[9] = 9;  // the only offset now points at the table itself
  EXPECT_FALSE(decodeCompactPropertyList(intoTheTable).has_value());
  std::string noOffsetSize = good;
  noOffsetSize[good.size() - 32 + 6] = 0;
  EXPECT_FALSE(decodeCompactPropertyList(noOffsetSize).has_value());
}

}  // namespace
}  // namespace marlinet
