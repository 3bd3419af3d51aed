#include "simulation/trace_line.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "engine/unicode_text.h"

namespace marlinet::simulation {
namespace {

void appendEscaped(std::string& out, std::string_view value) {
  if (!unicode::isValidUtf8(value)) {
    // Rare: the library decides how ill-formed bytes are replaced.
    out += nlohmann::json(value).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return;
  }
  static constexpr char hex[] = "0123456789abcdef";
  out += '"';
  for (const char c : value) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += hex[static_cast<unsigned char>(c) >> 4];
          out += hex[static_cast<unsigned char>(c) & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

TraceLine& TraceLine::begin(double seconds, std::string_view kind) {
  if (seconds != lastSeconds_ || lastSecondsText_.empty()) {
    lastSeconds_ = seconds;
    lastSecondsText_ = nlohmann::json(seconds).dump();
  }
  line_.assign("{\"t\":");
  line_ += lastSecondsText_;
  return text("kind", kind);
}

void TraceLine::key(std::string_view name) {
  line_ += ",\"";
  line_ += name;
  line_ += "\":";
}

TraceLine& TraceLine::text(std::string_view name, std::string_view value) {
  key(name);
  appendEscaped(line_, value);
  return *this;
}

TraceLine& TraceLine::number(std::string_view name, std::uint64_t value) {
  key(name);
  char digits[20];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  line_.append(digits, end);
  return *this;
}

TraceLine& TraceLine::boolean(std::string_view name, bool value) {
  key(name);
  line_ += value ? "true" : "false";
  return *this;
}

void TraceLine::writeTo(std::ostream& out) {
  line_ += "}\n";
  out.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

}  // namespace marlinet::simulation
