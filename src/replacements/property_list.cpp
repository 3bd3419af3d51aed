#include "replacements/property_list.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "engine/unicode_text.h"

namespace marlinet {

const PropertyList* PropertyList::find(std::string_view key) const {
  const Dictionary* entries = dictionary();
  if (entries == nullptr) return nullptr;
  const auto found = entries->find(key);
  return found == entries->end() ? nullptr : &found->second;
}

namespace {

// Owners for what libplist hands out.
struct NodeDeleter {
  void operator()(void* node) const noexcept { plist_free(static_cast<plist_t>(node)); }
};
using NodePtr = std::unique_ptr<void, NodeDeleter>;
struct FreeDeleter {
  void operator()(void* memory) const noexcept { std::free(memory); }
};
using CString = std::unique_ptr<char, FreeDeleter>;
using Iterator = std::unique_ptr<void, FreeDeleter>;

// --- Limits checked before libplist sees the bytes -------------------------
// libplist expands every reference of a compact file into a copy and frees
// trees recursively, so a shared sub-array repeated at every level, or deep
// nesting, would exhaust memory or the stack. Both encodings are measured
// first.

std::uint64_t readBigEndian(std::string_view bytes, std::size_t offset, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

class CompactScanner {
 public:
  explicit CompactScanner(std::string_view bytes) : bytes_(bytes) {}

  bool withinLimits() {
    constexpr std::size_t headerSize = 8;
    constexpr std::size_t trailerSize = 32;
    if (bytes_.size() < headerSize + trailerSize) return false;
    const std::size_t trailer = bytes_.size() - trailerSize;
    offsetSize_ = static_cast<unsigned char>(bytes_[trailer + 6]);
    refSize_ = static_cast<unsigned char>(bytes_[trailer + 7]);
    const std::uint64_t objectCount = readBigEndian(bytes_, trailer + 8, 8);
    const std::uint64_t top = readBigEndian(bytes_, trailer + 16, 8);
    tableOffset_ = readBigEndian(bytes_, trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
    if (objectCount == 0 || top >= objectCount) return false;
    if (tableOffset_ < headerSize || tableOffset_ > trailer) return false;
    if (objectCount > (trailer - tableOffset_) / offsetSize_) return false;
    objectCount_ = objectCount;
    state_.assign(objectCount, State{});
    return measure(top, 1).has_value();
  }

 private:
  struct State {
    bool visiting = false;
    bool done = false;
    std::uint64_t values = 0;  // the object and everything it expands to
    int depth = 0;             // levels below and including the object
  };

  // Returns the number of values `index` expands to, or nothing when a limit
  // is broken or the structure is malformed.
  std::optional<std::uint64_t> measure(std::uint64_t index, int depth) {
    if (depth > maxPropertyListDepth) return std::nullopt;
    State& state = state_[index];
    if (state.done) {
      if (depth - 1 + state.depth > maxPropertyListDepth) return std::nullopt;
      return state.values;
    }
    if (state.visiting) return std::nullopt;  // a cycle
    state.visiting = true;

    const std::uint64_t offset = readBigEndian(bytes_, tableOffset_ + index * offsetSize_, offsetSize_);
    if (offset < 8 || offset >= tableOffset_) return std::nullopt;
    const auto marker = static_cast<unsigned char>(bytes_[offset]);
    const unsigned type = marker >> 4;
    std::uint64_t values = 1;
    int below = 0;
    if (type == 0xA || type == 0xB || type == 0xC || type == 0xD) {
      const auto layout = countAndStart(offset);
      if (!layout) return std::nullopt;
      const auto [count, position] = *layout;
      const std::uint64_t refs = type == 0xD ? count * 2 : count;
      if (count > tableOffset_ || refs > (tableOffset_ - position) / refSize_) return std::nullopt;
      for (std::uint64_t i = 0; i < refs; ++i) {
        const std::uint64_t child = readBigEndian(bytes_, position + i * refSize_, refSize_);
        if (child >= objectCount_) return std::nullopt;
        // libplist asserts (aborts) on a dictionary key that is not a string
        // or that holds U+0000.
        if (type == 0xD && i < count && !isPlainKey(child)) return std::nullopt;
        const auto childValues = measure(child, depth + 1);
        if (!childValues) return std::nullopt;
        values += *childValues;
        if (values > maxPropertyListValues) return std::nullopt;
        below = std::max(below, state_[child].depth);
      }
    }
    state.visiting = false;
    state.done = true;
    state.values = values;
    state.depth = below + 1;
    return values;
  }

  // The object's element count and where its content starts, or nothing
  // when the count runs past the object table.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> countAndStart(std::uint64_t offset) const {
    std::uint64_t count = static_cast<unsigned char>(bytes_[offset]) & 0x0F;
    std::uint64_t position = offset + 1;
    if (count == 0x0F) {
      if (position >= tableOffset_) return std::nullopt;
      const auto sizeMarker = static_cast<unsigned char>(bytes_[position]);
      if ((sizeMarker >> 4) != 0x1 || (sizeMarker & 0x0F) > 3) return std::nullopt;
      const std::size_t width = std::size_t{1} << (sizeMarker & 0x0F);
      if (position + 1 + width > tableOffset_) return std::nullopt;
      count = readBigEndian(bytes_, position + 1, width);
      position += 1 + width;
    }
    return std::pair{count, position};
  }

  // A string (ASCII, UTF-16 or UTF-8) without a zero character.
  bool isPlainKey(std::uint64_t index) const {
    const std::uint64_t offset = readBigEndian(bytes_, tableOffset_ + index * offsetSize_, offsetSize_);
    if (offset < 8 || offset >= tableOffset_) return false;
    const unsigned type = static_cast<unsigned char>(bytes_[offset]) >> 4;
    if (type != 0x5 && type != 0x6 && type != 0x7) return false;
    const auto layout = countAndStart(offset);
    if (!layout) return false;
    const auto [count, start] = *layout;
    const std::uint64_t unit = type == 0x6 ? 2 : 1;
    if (count > (tableOffset_ - start) / unit) return false;
    const std::string_view content = bytes_.substr(start, count * unit);
    if (unit == 1) return content.find('\0') == std::string_view::npos;
    for (std::size_t i = 0; i < content.size(); i += 2) {
      if (content[i] == '\0' && content[i + 1] == '\0') return false;
    }
    return true;
  }

  std::string_view bytes_;
  std::size_t offsetSize_ = 0;
  std::size_t refSize_ = 0;
  std::uint64_t tableOffset_ = 0;
  std::uint64_t objectCount_ = 0;
  std::vector<State> state_;
};

bool startsWith(std::string_view text, std::size_t at, std::string_view prefix) {
  return text.substr(at, prefix.size()) == prefix;
}

// Nesting of <array> and <dict> elements, counted on the raw text. Comments,
// CDATA and declarations are stepped over; anything odd is left to libplist.
bool xmlNestingWithinLimits(std::string_view text) {
  int depth = 0;
  std::size_t at = text.find('<');
  while (at != std::string_view::npos) {
    std::size_t end = std::string_view::npos;
    if (startsWith(text, at, "<!--")) {
      end = text.find("-->", at + 4);
      if (end != std::string_view::npos) end += 2;
    } else if (startsWith(text, at, "<![CDATA[")) {
      end = text.find("]]>", at + 9);
      if (end != std::string_view::npos) end += 2;
    } else {
      end = text.find('>', at + 1);
      if (end == std::string_view::npos) break;
      const bool closing = at + 1 < text.size() && text[at + 1] == '/';
      std::size_t nameStart = at + (closing ? 2 : 1);
      std::size_t nameEnd = nameStart;
      while (nameEnd < end && text[nameEnd] != '/' && text[nameEnd] != ' ' && text[nameEnd] != '\t' &&
             text[nameEnd] != '\n' && text[nameEnd] != '\r') {
        ++nameEnd;
      }
      const std::string_view name = text.substr(nameStart, nameEnd - nameStart);
      if (name == "array" || name == "dict") {
        if (closing) {
          depth = std::max(0, depth - 1);
        } else if (text[end - 1] != '/' && ++depth > maxPropertyListDepth) {
          return false;
        }
      }
    }
    if (end == std::string_view::npos) break;
    at = text.find('<', end + 1);
  }
  return true;
}

// --- libplist nodes to values ----------------------------------------------

std::string cleanText(const char* text, std::uint64_t length) {
  if (text == nullptr) return {};
  const std::string_view view(text, static_cast<std::size_t>(length));
  return unicode::isValidUtf8(view) ? std::string(view) : unicode::sanitizedUtf8(view);
}

std::optional<PropertyList> fromNode(plist_t node, int depth) {
  if (node == nullptr || depth > maxPropertyListDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return PropertyList(value != 0);
    }
    case PLIST_UINT: {
      std::uint64_t value = 0;
      plist_get_uint_val(node, &value);
      // libplist keeps signed integers as their two's complement bits.
      return PropertyList(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return PropertyList(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      return PropertyList(cleanText(text, length));
    }
    case PLIST_DATE: {
      std::int32_t seconds = 0;
      std::int32_t microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      return PropertyList(Date{static_cast<double>(seconds) + static_cast<double>(microseconds) / 1e6});
    }
    case PLIST_DATA: {
      std::uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      PropertyList::Data data;
      if (bytes != nullptr) data.bytes.assign(bytes, static_cast<std::size_t>(length));
      return PropertyList(std::move(data));
    }
    case PLIST_UID: {
      std::uint64_t value = 0;
      plist_get_uid_val(node, &value);
      return PropertyList(PropertyList::Uid{value});
    }
    case PLIST_ARRAY: {
      PropertyList::Array array;
      array.reserve(plist_array_get_size(node));
      plist_array_iter rawIterator = nullptr;
      plist_array_new_iter(node, &rawIterator);
      const Iterator iterator(rawIterator);
      if (!iterator) return std::nullopt;
      for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(node, rawIterator, &item);
        if (item == nullptr) break;
        auto value = fromNode(item, depth + 1);
        if (!value) return std::nullopt;
        array.push_back(std::move(*value));
      }
      return PropertyList(std::move(array));
    }
    case PLIST_DICT: {
      PropertyList::Dictionary dictionary;
      plist_dict_iter rawIterator = nullptr;
      plist_dict_new_iter(node, &rawIterator);
      const Iterator iterator(rawIterator);
      if (!iterator) return std::nullopt;
      for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, rawIterator, &rawKey, &item);
        const CString key(rawKey);
        if (item == nullptr) break;
        if (!key) return std::nullopt;
        auto value = fromNode(item, depth + 1);
        if (!value) return std::nullopt;
        std::string cleanKey = cleanText(key.get(), std::char_traits<char>::length(key.get()));
        dictionary.insert_or_assign(std::move(cleanKey), std::move(*value));
      }
      return PropertyList(std::move(dictionary));
    }
    default:
      return std::nullopt;
  }
}

// --- values to libplist nodes ----------------------------------------------

NodePtr toNode(const PropertyList& value, int depth) {
  if (depth > maxPropertyListDepth) return nullptr;
  struct Visitor {
    int depth;
    NodePtr operator()(const std::string& text) const { return NodePtr(plist_new_string(text.c_str())); }
    NodePtr operator()(std::int64_t integer) const {
      return NodePtr(plist_new_uint(static_cast<std::uint64_t>(integer)));
    }
    NodePtr operator()(double real) const { return NodePtr(plist_new_real(real)); }
    NodePtr operator()(bool boolean) const { return NodePtr(plist_new_bool(boolean ? 1 : 0)); }
    NodePtr operator()(const Date& date) const {
      const double whole = std::floor(date.secondsSinceReferenceDate);
      if (!(whole >= std::numeric_limits<std::int32_t>::min() && whole <= std::numeric_limits<std::int32_t>::max())) {
        return nullptr;
      }
      const auto micro = static_cast<std::int32_t>(std::lround((date.secondsSinceReferenceDate - whole) * 1e6));
      return NodePtr(plist_new_date(static_cast<std::int32_t>(whole), std::min(micro, 999999)));
    }
    NodePtr operator()(const PropertyList::Data& data) const {
      return NodePtr(plist_new_data(data.bytes.data(), data.bytes.size()));
    }
    NodePtr operator()(const PropertyList::Uid& uid) const { return NodePtr(plist_new_uid(uid.value)); }
    NodePtr operator()(const PropertyList::Array& array) const {
      NodePtr node(plist_new_array());
      for (const PropertyList& item : array) {
        NodePtr child = toNode(item, depth + 1);
        if (!child) return nullptr;
        plist_array_append_item(node.get(), child.release());
      }
      return node;
    }
    NodePtr operator()(const PropertyList::Dictionary& dictionary) const {
      NodePtr node(plist_new_dict());
      for (const auto& [key, item] : dictionary) {
        NodePtr child = toNode(item, depth + 1);
        if (!child) return nullptr;
        plist_dict_set_item(node.get(), key.c_str(), child.release());
      }
      return node;
    }
  };
  return std::visit(Visitor{depth}, value.value);
}

}  // namespace

std::optional<PropertyList> decodePropertyList(std::string_view bytes) try {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  const bool compact = startsWith(bytes, 0, "bplist00");
  // XML allows no NUL character, and libplist aborts on a key that holds one.
  if (!compact && bytes.find('\0') != std::string_view::npos) return std::nullopt;
  if (compact ? !CompactScanner(bytes).withinLimits() : !xmlNestingWithinLimits(bytes)) return std::nullopt;
  plist_t raw = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
  const NodePtr root(raw);
  if (!root) return std::nullopt;
  return fromNode(root.get(), 1);
} catch (...) {
  return std::nullopt;  // out of memory: as good as unreadable
}

std::optional<std::string> encodePropertyList(const PropertyList& value, PropertyListFormat format) try {
  const NodePtr root = toNode(value, 1);
  if (!root) return std::nullopt;
  char* raw = nullptr;
  std::uint32_t length = 0;
  const bool xml = format == PropertyListFormat::xml;
  if (xml) {
    plist_to_xml(root.get(), &raw, &length);
  } else {
    plist_to_bin(root.get(), &raw, &length);
  }
  const std::unique_ptr<char, void (*)(char*)> output(raw, xml ? plist_to_xml_free : plist_to_bin_free);
  if (!output) return std::nullopt;
  return std::string(output.get(), length);
} catch (...) {
  return std::nullopt;
}

}  // namespace marlinet
