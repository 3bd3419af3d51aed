#include "replacements/compact_property_list.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

constexpr std::size_t headerSize = 8;  // "bplist00"
constexpr std::size_t trailerSize = 32;

// Object types, the high nibble of an object's first byte.
enum Type : unsigned {
  simple = 0x0,  // false, true (null and fill are not values here)
  integer = 0x1,
  real = 0x2,
  date = 0x3,
  data = 0x4,
  asciiText = 0x5,
  utf16Text = 0x6,
  utf8Text = 0x7,
  uid = 0x8,
  array = 0xA,
  set = 0xC,
  dictionary = 0xD,
};

bool isText(unsigned type) { return type == asciiText || type == utf16Text || type == utf8Text; }
bool isContainer(unsigned type) { return type == array || type == set || type == dictionary; }

class CompactReader {
 public:
  explicit CompactReader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<PropertyList> read() {
    if (!readTrailer()) return std::nullopt;
    measured_.assign(objectCount_, Measure{});
    if (!measure(top_, 1)) return std::nullopt;
    return build(top_);
  }

 private:
  // An object's first byte decoded, and for sized objects their element count
  // and where their content starts.
  struct Object {
    unsigned type = 0;
    unsigned low = 0;
    std::uint64_t count = 0;
    std::uint64_t start = 0;
  };

  // What an object expands to, counting a shared object at every reference.
  struct Measure {
    bool done = false;
    bool plainText = false;       // a text without U+0000, so fit to be a key
    int depth = 0;                // levels below and including the object
    std::uint64_t values = 0;     // the object and everything below it
    std::uint64_t textBytes = 0;  // decoded texts, keys and data, at most
  };

  std::uint64_t bigEndian(std::uint64_t offset, std::size_t width) const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(bytes_[offset + i]);
    return value;
  }

  // Whether `size` bytes from `offset` lie within the object area.
  bool fits(std::uint64_t offset, std::uint64_t size) const {
    return offset <= tableOffset_ && size <= tableOffset_ - offset;
  }

  bool readTrailer() {
    if (bytes_.size() < headerSize + trailerSize) return false;
    const std::size_t trailer = bytes_.size() - trailerSize;
    offsetSize_ = static_cast<unsigned char>(bytes_[trailer + 6]);
    refSize_ = static_cast<unsigned char>(bytes_[trailer + 7]);
    objectCount_ = bigEndian(trailer + 8, 8);
    top_ = bigEndian(trailer + 16, 8);
    tableOffset_ = bigEndian(trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
    if (objectCount_ == 0 || top_ >= objectCount_) return false;
    if (tableOffset_ < headerSize || tableOffset_ > trailer) return false;
    return objectCount_ <= (trailer - tableOffset_) / offsetSize_;
  }

  std::optional<Object> object(std::uint64_t index) const {
    const std::uint64_t offset = bigEndian(tableOffset_ + index * offsetSize_, offsetSize_);
    if (offset < headerSize || offset >= tableOffset_) return std::nullopt;
    const unsigned marker = static_cast<unsigned char>(bytes_[offset]);
    Object result{marker >> 4, marker & 0x0F, 0, offset + 1};
    if (result.type == data || isText(result.type) || isContainer(result.type)) {
      result.count = result.low;
      if (result.low == 0x0F) {  // the count follows as an integer object
        if (!fits(result.start, 1)) return std::nullopt;
        const auto sizeMarker = static_cast<unsigned char>(bytes_[result.start]);
        if ((sizeMarker >> 4) != integer || (sizeMarker & 0x0F) > 3) return std::nullopt;
        const std::size_t width = std::size_t{1} << (sizeMarker & 0x0F);
        if (!fits(result.start + 1, width)) return std::nullopt;
        result.count = bigEndian(result.start + 1, width);
        result.start += 1 + width;
      }
      const std::uint64_t unit = result.type == utf16Text ? 2
                                 : result.type == dictionary ? 2 * refSize_
                                 : isContainer(result.type) ? refSize_
                                                            : 1;
      if (result.count > (tableOffset_ - result.start) / unit) return std::nullopt;
    }
    return result;
  }

  std::uint64_t reference(const Object& container, std::uint64_t position) const {
    return bigEndian(container.start + position * refSize_, refSize_);
  }

  // An upper bound of the UTF-8 size of a text (ill-formed bytes become the
  // three bytes of U+FFFD; a surrogate pair is counted as two scalars), and
  // whether it holds U+0000, which no key may.
  void measureText(const Object& item, Measure& state) const {
    if (item.type == utf16Text) {
      state.plainText = true;
      for (std::uint64_t i = 0; i < item.count; ++i) {
        const std::uint64_t unit = bigEndian(item.start + 2 * i, 2);
        state.textBytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
        if (unit == 0) state.plainText = false;
      }
      return;
    }
    const std::string_view content = bytes_.substr(item.start, item.count);
    state.plainText = content.find('\0') == std::string_view::npos;
    state.textBytes = unicode::isValidUtf8(content) ? item.count : 3 * item.count;
  }

  // Walks the graph once, remembering each object's expansion, so that a
  // small file cannot make the builder below exhaust memory, time or the
  // stack. A cycle runs into the depth limit. Each text is scanned once
  // however often it is referenced.
  bool measure(std::uint64_t index, int depth) {
    if (depth > maxPropertyListDepth) return false;
    if (measured_[index].done) return depth - 1 + measured_[index].depth <= maxPropertyListDepth;
    const auto item = object(index);
    if (!item) return false;
    Measure state{true, false, 1, 1, 0};
    if (isText(item->type)) {
      measureText(*item, state);
    } else if (item->type == data) {
      state.textBytes = item->count;
    } else if (isContainer(item->type)) {
      const std::uint64_t refs = item->type == dictionary ? item->count * 2 : item->count;
      for (std::uint64_t i = 0; i < refs; ++i) {
        const std::uint64_t child = reference(*item, i);
        if (child >= objectCount_ || !measure(child, depth + 1)) return false;
        const Measure& below = measured_[child];
        if (item->type == dictionary && i < item->count && !below.plainText) return false;
        state.values += below.values;
        state.textBytes += below.textBytes;
        if (state.values > maxPropertyListValues || state.textBytes > maxPropertyListTextBytes) return false;
        state.depth = std::max(state.depth, below.depth + 1);
      }
    }
    if (state.textBytes > maxPropertyListTextBytes) return false;
    measured_[index] = state;
    return true;
  }

  std::string text(const Object& item) const {
    if (item.type == utf16Text) {
      std::u16string units(item.count, u'\0');
      for (std::uint64_t i = 0; i < item.count; ++i) {
        units[i] = static_cast<char16_t>(bigEndian(item.start + 2 * i, 2));
      }
      return unicode::fromUtf16(units);
    }
    return unicode::sanitizedUtf8(bytes_.substr(item.start, item.count));
  }

  // Only called on measured objects: indices, counts and nesting are known good.
  std::optional<PropertyList> build(std::uint64_t index) const {
    const auto item = object(index);
    if (!item) return std::nullopt;
    switch (item->type) {
      case simple:
        if (item->low == 0x8 || item->low == 0x9) return PropertyList(item->low == 0x9);
        return std::nullopt;  // null and fill hold no value
      case integer: {
        if (item->low > 4) return std::nullopt;
        const std::size_t width = std::size_t{1} << item->low;
        if (!fits(item->start, width)) return std::nullopt;
        // Sixteen bytes hold an unsigned 64-bit value in the low half; eight
        // bytes are the signed value's bits, as the writer keeps them.
        const std::size_t kept = std::min<std::size_t>(width, 8);
        return PropertyList(static_cast<std::int64_t>(bigEndian(item->start + width - kept, kept)));
      }
      case real:
      case date: {
        const bool single = item->type == real && item->low == 2;
        if (item->type == real ? item->low != 2 && item->low != 3 : item->low != 3) return std::nullopt;
        const std::size_t width = single ? 4 : 8;
        if (!fits(item->start, width)) return std::nullopt;
        const std::uint64_t bits = bigEndian(item->start, width);
        const double value = single ? std::bit_cast<float>(static_cast<std::uint32_t>(bits))
                                    : std::bit_cast<double>(bits);
        return item->type == date ? PropertyList(Date{value}) : PropertyList(value);
      }
      case data:
        return PropertyList(PropertyList::Data{std::string(bytes_.substr(item->start, item->count))});
      case asciiText:
      case utf16Text:
      case utf8Text:
        return PropertyList(text(*item));
      case uid: {
        const std::size_t width = item->low + 1u;
        if (width > 8 || !fits(item->start, width)) return std::nullopt;
        return PropertyList(PropertyList::Uid{bigEndian(item->start, width)});
      }
      case array:
      case set: {
        PropertyList::Array items;
        items.reserve(item->count);
        for (std::uint64_t i = 0; i < item->count; ++i) {
          auto value = build(reference(*item, i));
          if (!value) return std::nullopt;
          items.push_back(std::move(*value));
        }
        return PropertyList(std::move(items));
      }
      case dictionary: {
        PropertyList::Dictionary entries;
        for (std::uint64_t i = 0; i < item->count; ++i) {
          const auto key = object(reference(*item, i));
          auto value = build(reference(*item, item->count + i));
          if (!key || !value) return std::nullopt;
          // A repeated key keeps its last value.
          entries.insert_or_assign(text(*key), std::move(*value));
        }
        return PropertyList(std::move(entries));
      }
      default:
        return std::nullopt;
    }
  }

  std::string_view bytes_;
  std::size_t offsetSize_ = 0;
  std::size_t refSize_ = 0;
  std::uint64_t objectCount_ = 0;
  std::uint64_t top_ = 0;
  std::uint64_t tableOffset_ = 0;
  std::vector<Measure> measured_;
};

}  // namespace

std::optional<PropertyList> decodeCompactPropertyList(std::string_view bytes) {
  if (bytes.substr(0, headerSize) != "bplist00") return std::nullopt;
  return CompactReader(bytes).read();
}

}  // namespace marlinet
