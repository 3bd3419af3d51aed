#include "support/replacements/property_list_writer.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "replacements/compact_property_list.h"

namespace marlinet {

namespace {

// Owner for what libplist hands out.
struct NodeDeleter {
  void operator()(void* node) const noexcept { plist_free(node); }
};
using NodePtr = std::unique_ptr<void, NodeDeleter>;

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

std::optional<PropertyList> decodeWithLibplist(const std::string& xml) {
  plist_t node = nullptr;
  plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
  const std::unique_ptr<void, void (*)(plist_t)> owned(node, plist_free);
  if (node == nullptr) return std::nullopt;
  char* bytes = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(node, &bytes, &length);
  const std::unique_ptr<char, void (*)(char*)> compact(bytes, plist_to_bin_free);
  if (bytes == nullptr) return std::nullopt;
  return decodeCompactPropertyList(std::string_view(bytes, length));
}

}  // namespace marlinet
