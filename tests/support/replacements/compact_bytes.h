#pragma once

// Compact (binary) property-list files built byte by byte, for readers'
// tests that need files no writer would produce.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace marlinet::testing {

inline std::string raw(std::initializer_list<int> bytes) {
  std::string result;
  for (const int byte : bytes) result += static_cast<char>(byte);
  return result;
}

inline std::string bigEndian(std::uint64_t value, int width) {
  std::string result;
  for (int i = width - 1; i >= 0; --i) result += static_cast<char>((value >> (8 * i)) & 0xFF);
  return result;
}

// A compact file of the given encoded objects, with one-byte references and
// offsets only as wide as the file needs.
inline std::string compactFile(const std::vector<std::string>& objects, int top = 0) {
  std::string bytes = "bplist00";
  std::vector<std::size_t> offsets;
  for (const std::string& object : objects) {
    offsets.push_back(bytes.size());
    bytes += object;
  }
  const int width = bytes.size() < 256 ? 1 : 4;
  const std::size_t tableOffset = bytes.size();
  for (const std::size_t offset : offsets) bytes += bigEndian(offset, width);
  return bytes + std::string(6, '\0') + raw({width, 1}) + bigEndian(objects.size(), 8) + bigEndian(top, 8) +
         bigEndian(tableOffset, 8);
}

}  // namespace marlinet::testing
