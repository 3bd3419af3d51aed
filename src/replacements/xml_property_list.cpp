#include "replacements/xml_property_list.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <variant>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

// Raised inside the reader only; the entry point turns it into "absent".
struct Malformed {};

[[noreturn]] void malformed() { throw Malformed{}; }

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         c == ':' || c == '.';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isXmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// --- Scalar values ----------------------------------------------------------

template <typename Number>
Number wholeNumber(std::string_view text, int base) {
  Number value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc{} || stop != end) malformed();
  return value;
}

std::int64_t integerValue(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  const auto magnitude = wholeNumber<std::uint64_t>(text, base);
  if (negative) {
    if (magnitude > (std::uint64_t{1} << 63)) malformed();
    return static_cast<std::int64_t>(std::uint64_t{0} - magnitude);
  }
  // Above the signed range the bits are kept, as the compact encoding keeps them.
  return static_cast<std::int64_t>(magnitude);
}

double realValue(std::string_view text) {
  text = trimmed(text);
  // Writers spell infinity "+infinity"; the number reader takes no plus sign.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') malformed();
  }
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) malformed();
  return value;
}

int digits(std::string_view text, std::size_t at, std::size_t width) {
  int value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') malformed();
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "2024-05-01T12:30:00Z", with an optional fraction of a second.
Date dateValue(std::string_view text) {
  text = trimmed(text);
  if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text.back() != 'Z') {
    malformed();
  }
  const std::chrono::year_month_day day{std::chrono::year{digits(text, 0, 4)},
                                        std::chrono::month{static_cast<unsigned>(digits(text, 5, 2))},
                                        std::chrono::day{static_cast<unsigned>(digits(text, 8, 2))}};
  const int hour = digits(text, 11, 2);
  const int minute = digits(text, 14, 2);
  const int second = digits(text, 17, 2);
  if (!day.ok() || hour > 23 || minute > 59 || second > 59) malformed();
  double fraction = 0;
  if (const std::string_view rest = text.substr(19, text.size() - 20); !rest.empty()) {
    if (rest.size() < 2 || rest.front() != '.') malformed();
    for (const char c : rest.substr(1)) {
      if (c < '0' || c > '9') malformed();
    }
    std::from_chars(rest.data(), rest.data() + rest.size(), fraction);
  }
  const auto days = std::chrono::sys_days(day).time_since_epoch().count();
  const double unixSeconds = static_cast<double>(days) * 86400.0 + hour * 3600 + minute * 60 + second;
  return Date{unixSeconds - Date::referenceDateUnixSeconds + fraction};
}

int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string base64Value(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 2);
  std::uint32_t bits = 0;
  int pending = 0;  // sextets in `bits`
  int padding = 0;
  for (const char c : text) {
    if (isXmlSpace(c)) continue;
    if (c == '=') {
      if (++padding > 2 || pending < 2) malformed();
      continue;
    }
    const int value = sextet(c);
    if (value < 0 || padding > 0) malformed();
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    if (++pending == 4) {
      bytes.push_back(static_cast<char>(bits >> 16));
      bytes.push_back(static_cast<char>(bits >> 8));
      bytes.push_back(static_cast<char>(bits));
      bits = 0;
      pending = 0;
    }
  }
  if (pending == 1) malformed();
  if (pending == 2) bytes.push_back(static_cast<char>(bits >> 4));
  if (pending == 3) {
    bytes.push_back(static_cast<char>(bits >> 10));
    bytes.push_back(static_cast<char>(bits >> 2));
  }
  return bytes;
}

void appendReference(std::string& out, std::string_view name) {
  if (name == "lt") return out.push_back('<');
  if (name == "gt") return out.push_back('>');
  if (name == "amp") return out.push_back('&');
  if (name == "quot") return out.push_back('"');
  if (name == "apos") return out.push_back('\'');
  if (name.size() < 2 || name.front() != '#') malformed();  // entities of a document type are not read
  const bool hex = name[1] == 'x';
  const auto scalar = wholeNumber<std::uint32_t>(name.substr(hex ? 2 : 1), hex ? 16 : 10);
  if (scalar == 0 || scalar > 0x10FFFF) malformed();
  unicode::appendScalar(out, static_cast<char32_t>(scalar));  // a lone surrogate becomes U+FFFD
}

void appendCharacterData(std::string& out, std::string_view data) {
  for (;;) {
    const std::size_t ampersand = data.find('&');
    out.append(data.substr(0, ampersand));
    if (ampersand == std::string_view::npos) return;
    const std::size_t semicolon = data.find(';', ampersand);
    if (semicolon == std::string_view::npos) malformed();
    appendReference(out, data.substr(ampersand + 1, semicolon - ampersand - 1));
    data.remove_prefix(semicolon + 1);
  }
}

// --- Markup -----------------------------------------------------------------

enum class Element { plist, array, dict, key, string, integer, real, trueValue, falseValue, date, data, other };

Element elementNamed(std::string_view name) {
  switch (name.size()) {
    case 3:
      if (name == "key") return Element::key;
      break;
    case 4:
      if (name == "dict") return Element::dict;
      if (name == "real") return Element::real;
      if (name == "true") return Element::trueValue;
      if (name == "date") return Element::date;
      if (name == "data") return Element::data;
      break;
    case 5:
      if (name == "array") return Element::array;
      if (name == "plist") return Element::plist;
      if (name == "false") return Element::falseValue;
      break;
    case 6:
      if (name == "string") return Element::string;
      break;
    case 7:
      if (name == "integer") return Element::integer;
      break;
    default:
      break;
  }
  return Element::other;
}

struct Tag {
  Element element = Element::other;
  bool closing = false;
  bool selfClosing = false;  // <name/>
};

class Reader {
 public:
  // Pieces of well-formed UTF-8 cut at markup (ASCII) are well-formed too,
  // so texts need no check of their own when the whole document passes.
  explicit Reader(std::string_view text) : text_(text), wellFormed_(unicode::isValidUtf8(text)) {}

  PropertyList document() {
    if (startsWith("\xEF\xBB\xBF")) at_ = 3;
    skipMarkup(true);
    const Tag first = tag();
    PropertyList root;
    if (first.element == Element::plist) {
      if (first.closing || first.selfClosing) malformed();
      skipMarkup(false);
      root = value(tag(), 1);
      skipMarkup(false);
      const Tag end = tag();
      if (!end.closing || end.element != Element::plist) malformed();
    } else {
      root = value(first, 1);  // a bare value, as older writers left it
    }
    skipMarkup(false);
    if (at_ != text_.size()) malformed();
    return root;
  }

 private:
  bool startsWith(std::string_view prefix) const { return text_.compare(at_, prefix.size(), prefix) == 0; }
  // Whether the markup at the current position starts with "<!" or "<?".
  bool atDeclaration() const {
    return at_ + 1 < text_.size() && text_[at_] == '<' && (text_[at_ + 1] == '!' || text_[at_ + 1] == '?');
  }

  void skipPast(std::string_view marker, std::size_t from) {
    const std::size_t found = text_.find(marker, from);
    if (found == std::string_view::npos) malformed();
    at_ = found + marker.size();
  }

  // Whitespace, comments and processing instructions; in the prolog also the
  // document type declaration, internal subset and all.
  void skipMarkup(bool prolog) {
    for (;;) {
      while (at_ < text_.size() && isXmlSpace(text_[at_])) ++at_;
      if (!atDeclaration()) return;
      if (startsWith("<!--")) {
        skipPast("-->", at_ + 4);
      } else if (startsWith("<?")) {
        skipPast("?>", at_ + 2);
      } else if (prolog && startsWith("<!DOCTYPE")) {
        skipDocumentType();
      } else {
        return;
      }
    }
  }

  void skipDocumentType() {
    bool inSubset = false;
    char quote = 0;
    for (std::size_t i = at_ + 9; i < text_.size(); ++i) {
      const char c = text_[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        inSubset = true;
      } else if (c == ']') {
        inSubset = false;
      } else if (c == '>' && !inSubset) {
        at_ = i + 1;
        return;
      }
    }
    malformed();
  }

  // The tag at the current position; attributes are stepped over.
  Tag tag() {
    if (!startsWith("<")) malformed();
    Tag result;
    std::size_t i = at_ + 1;
    if (i < text_.size() && text_[i] == '/') {
      result.closing = true;
      ++i;
    }
    const std::size_t nameStart = i;
    while (i < text_.size() && isNameCharacter(text_[i])) ++i;
    result.element = elementNamed(text_.substr(nameStart, i - nameStart));
    if (result.element == Element::other || i == text_.size() || !(isXmlSpace(text_[i]) || text_[i] == '/' || text_[i] == '>')) {
      malformed();
    }
    if (text_[i] == '>') {  // the usual case: no attributes
      at_ = i + 1;
      return result;
    }
    char quote = 0;
    for (; i < text_.size(); ++i) {
      const char c = text_[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        result.selfClosing = text_[i - 1] == '/';
        if (result.closing && result.selfClosing) malformed();
        at_ = i + 1;
        return result;
      } else if (c == '<') {
        break;
      }
    }
    malformed();
  }

  void expectClosing(Element element) {
    const Tag end = tag();
    if (!end.closing || end.element != element) malformed();
  }

  // The character data of an element up to its closing tag, references
  // resolved, CDATA taken as it stands and comments dropped. Refused as soon
  // as it would take the document's texts beyond maxPropertyListTextBytes.
  std::string text(const Tag& open) {
    std::string result;
    if (open.selfClosing) return result;
    for (;;) {
      const std::size_t next = text_.find('<', at_);
      if (next == std::string_view::npos) malformed();
      appendCharacterData(result, text_.substr(at_, next - at_));
      if (result.size() > maxPropertyListTextBytes - textBytes_) malformed();
      at_ = next;
      if (!atDeclaration()) {
        expectClosing(open.element);
        break;
      }
      if (startsWith("<![CDATA[")) {
        const std::size_t start = at_ + 9;
        skipPast("]]>", start);
        result.append(text_.substr(start, at_ - 3 - start));
      } else if (startsWith("<!--")) {
        skipPast("-->", at_ + 4);
      } else {
        expectClosing(open.element);
        break;
      }
    }
    // Repairing only lengthens a text (each ill-formed byte becomes three).
    if (!wellFormed_ && !unicode::isValidUtf8(result)) result = unicode::sanitizedUtf8(result);
    return result;
  }

  // Counts a text, key or data block the document keeps.
  std::string kept(std::string bytes) {
    if (bytes.size() > maxPropertyListTextBytes - textBytes_) malformed();
    textBytes_ += bytes.size();
    return bytes;
  }

  PropertyList value(const Tag& open, int depth) {
    if (open.closing || depth > maxPropertyListDepth || ++values_ > maxPropertyListValues) malformed();
    switch (open.element) {
      case Element::string:
      case Element::key:
        return PropertyList(kept(text(open)));
      case Element::dict:
        return dictionary(open, depth);
      case Element::array:
        return array(open, depth);
      case Element::integer:
        return PropertyList(integerValue(text(open)));
      case Element::real:
        return PropertyList(realValue(text(open)));
      case Element::trueValue:
      case Element::falseValue:
        if (!open.selfClosing) {
          skipMarkup(false);
          expectClosing(open.element);
        }
        return PropertyList(open.element == Element::trueValue);
      case Element::date:
        return PropertyList(dateValue(text(open)));
      case Element::data:
        return PropertyList(PropertyList::Data{kept(base64Value(text(open)))});
      case Element::plist:
      case Element::other:
        break;
    }
    malformed();
  }

  PropertyList array(const Tag& open, int depth) {
    PropertyList::Array items;
    if (open.selfClosing) return PropertyList(std::move(items));
    for (;;) {
      skipMarkup(false);
      const Tag next = tag();
      if (next.closing) {
        if (next.element != Element::array) malformed();
        return PropertyList(std::move(items));
      }
      items.push_back(value(next, depth + 1));
    }
  }

  PropertyList dictionary(const Tag& open, int depth) {
    PropertyList::Dictionary entries;
    if (open.selfClosing) return PropertyList(std::move(entries));
    skipMarkup(false);
    Tag keyTag = tag();
    for (;;) {
      if (keyTag.closing) {
        if (keyTag.element != Element::dict) malformed();
        return PropertyList(std::move(entries));
      }
      if (keyTag.element != Element::key) malformed();
      std::string key = text(keyTag);
      skipMarkup(false);
      const Tag valueTag = tag();
      if (entries.empty() && key == "CF$UID" && valueTag.element == Element::integer && !valueTag.closing) {
        // A keyed-archive reference when nothing follows: the one value it
        // decodes to, counted as such.
        const std::int64_t reference = integerValue(text(valueTag));
        skipMarkup(false);
        keyTag = tag();
        if (keyTag.closing && keyTag.element == Element::dict) {
          return PropertyList(PropertyList::Uid{static_cast<std::uint64_t>(reference)});
        }
        if (depth + 1 > maxPropertyListDepth || maxPropertyListValues - values_ < 2) malformed();
        values_ += 2;
        entries.emplace(kept(std::move(key)), PropertyList(reference));
        continue;
      }
      if (++values_ > maxPropertyListValues) malformed();
      key = kept(std::move(key));
      PropertyList item = value(valueTag, depth + 1);
      // Writers sort keys, so the end is the right place; a repeated key keeps its last value.
      entries.insert_or_assign(entries.end(), std::move(key), std::move(item));
      skipMarkup(false);
      keyTag = tag();
    }
  }

  std::string_view text_;
  bool wellFormed_;
  std::size_t at_ = 0;
  // Kept so far, against the limits every decoder shares.
  std::uint64_t values_ = 0;
  std::uint64_t textBytes_ = 0;
};

}  // namespace

std::optional<PropertyList> decodeXmlPropertyList(std::string_view text) {
  try {
    return Reader(text).document();
  } catch (const Malformed&) {
    return std::nullopt;
  }
}

// --- Writing -----------------------------------------------------------------

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// Markup is escaped; a carriage return is written as a reference so that XML's
// line-end normalisation leaves it alone. XML 1.0 has no way to carry the other
// C0 controls, but both readers that matter here (ours and libplist) take a
// numeric reference to one back exactly, and a reference keeps the file plain
// text where the raw byte would not. U+0000 has no form any of them takes
// (the reference is refused, the raw byte cuts libplist's texts short), so it
// is written as U+FFFD, as ill-formed UTF-8 is.
void appendEscaped(std::string& out, std::string_view text) {
  std::string repaired;
  if (!unicode::isValidUtf8(text)) {
    repaired = unicode::sanitizedUtf8(text);
    text = repaired;
  }
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 ? c != '&' && c != '<' && c != '>' : c == '\t' || c == '\n') continue;
    out.append(text.substr(plain, i - plain));
    plain = i + 1;
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case 0:
        out += replacementCharacter;
        break;
      default:
        out += "&#";
        if (c >= 10) out.push_back(static_cast<char>('0' + c / 10));
        out.push_back(static_cast<char>('0' + c % 10));
        out.push_back(';');
        break;
    }
  }
  out.append(text.substr(plain));
}

template <typename Number>
void appendNumber(std::string& out, Number number) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  out.append(buffer, result.ptr);
}

void appendReal(std::string& out, double real) {
  if (std::isnan(real)) {
    out += "nan";
  } else if (std::isinf(real)) {
    out += real > 0 ? "+infinity" : "-infinity";
  } else {
    appendNumber(out, real);  // the shortest text that reads back to the same double
  }
}

void appendDigits(std::string& out, long long value, int width) {
  char buffer[8];
  for (int i = width - 1; i >= 0; --i, value /= 10) buffer[i] = static_cast<char>('0' + value % 10);
  out.append(buffer, static_cast<std::size_t>(width));
}

// The seconds-since-reference-date of midnight on a day.
constexpr double referenceSeconds(std::chrono::year_month_day day) {
  return static_cast<double>(std::chrono::sys_days(day).time_since_epoch().count()) * 86400.0 -
         Date::referenceDateUnixSeconds;
}

// The whole seconds ISO 8601 dates with four-digit years can spell.
constexpr double firstDateSecond = referenceSeconds(std::chrono::year{0} / 1 / 1);
constexpr double lastDateSecond = referenceSeconds(std::chrono::year{9999} / 12 / 31) + 86399.0;

// Whole seconds in UTC, then the remainder as the shortest decimal fraction
// that adds back to the same double. That is exact except within the second
// before the reference date, where the sum may round away bits below 1e-16 s.
// Dates beyond the spellable years are kept at their ends; one that is not a
// number at all is written as the reference date.
void appendDate(std::string& out, Date date) {
  double seconds = date.secondsSinceReferenceDate;
  if (std::isnan(seconds)) seconds = 0;
  if (seconds < firstDateSecond) seconds = firstDateSecond;
  if (seconds >= lastDateSecond + 1) seconds = lastDateSecond;
  double whole = std::floor(seconds);
  double fraction = seconds - whole;
  if (fraction >= 1) {  // a hair before the reference date: the next whole second is nearest
    whole += 1;
    fraction = 0;
  }
  const auto unix = static_cast<long long>(whole + Date::referenceDateUnixSeconds);
  const auto days = std::chrono::floor<std::chrono::days>(std::chrono::sys_seconds(std::chrono::seconds(unix)));
  const long long secondOfDay = unix - static_cast<long long>(days.time_since_epoch().count()) * 86400;
  const std::chrono::year_month_day day(days);
  appendDigits(out, static_cast<int>(day.year()), 4);
  out.push_back('-');
  appendDigits(out, static_cast<unsigned>(day.month()), 2);
  out.push_back('-');
  appendDigits(out, static_cast<unsigned>(day.day()), 2);
  out.push_back('T');
  appendDigits(out, secondOfDay / 3600, 2);
  out.push_back(':');
  appendDigits(out, secondOfDay / 60 % 60, 2);
  out.push_back(':');
  appendDigits(out, secondOfDay % 60, 2);
  if (fraction > 0) {
    // Fixed notation, as the reader wants digits only; a fraction as small as
    // the least double needs a few hundred of them.
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, fraction, std::chars_format::fixed);
    if (error == std::errc{}) out.append(buffer + 1, end);  // ".5" of "0.5"
  }
  out.push_back('Z');
}

void appendBase64(std::string& out, std::string_view bytes, int indent) {
  static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  constexpr std::size_t bytesPerLine = 57;  // 76 characters
  for (std::size_t line = 0; line < bytes.size(); line += bytesPerLine) {
    out.append(static_cast<std::size_t>(indent), '\t');
    const std::size_t end = std::min(bytes.size(), line + bytesPerLine);
    for (std::size_t i = line; i < end; i += 3) {
      std::uint32_t bits = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
      if (i + 1 < end) bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
      if (i + 2 < end) bits |= static_cast<unsigned char>(bytes[i + 2]);
      out.push_back(alphabet[bits >> 18]);
      out.push_back(alphabet[(bits >> 12) & 63]);
      out.push_back(i + 1 < end ? alphabet[(bits >> 6) & 63] : '=');
      out.push_back(i + 2 < end ? alphabet[bits & 63] : '=');
    }
    out.push_back('\n');
  }
}

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}

  void value(const PropertyList& item, int indent) {
    out_.append(static_cast<std::size_t>(indent), '\t');
    if (item.value.valueless_by_exception()) {
      out_ += "<string></string>\n";  // left so by a failed assignment; nothing to keep
      return;
    }
    std::visit([&](const auto& held) { write(held, indent); }, item.value);
  }

 private:
  void write(const std::string& text, int) { element("string", text); }
  void write(std::int64_t integer, int) {
    out_ += "<integer>";
    appendNumber(out_, integer);
    out_ += "</integer>\n";
  }
  void write(double real, int) {
    out_ += "<real>";
    appendReal(out_, real);
    out_ += "</real>\n";
  }
  void write(bool boolean, int) { out_ += boolean ? "<true/>\n" : "<false/>\n"; }
  void write(Date date, int) {
    out_ += "<date>";
    appendDate(out_, date);
    out_ += "</date>\n";
  }
  void write(const PropertyList::Data& data, int indent) {
    if (data.bytes.empty()) {
      out_ += "<data></data>\n";
      return;
    }
    out_ += "<data>\n";
    appendBase64(out_, data.bytes, indent);
    closing("data", indent);
  }
  void write(PropertyList::Uid uid, int indent) {
    out_ += "<dict>\n";
    out_.append(static_cast<std::size_t>(indent) + 1, '\t');
    out_ += "<key>CF$UID</key>\n";
    out_.append(static_cast<std::size_t>(indent) + 1, '\t');
    out_ += "<integer>";
    appendNumber(out_, uid.value);
    out_ += "</integer>\n";
    closing("dict", indent);
  }
  void write(const PropertyList::Array& array, int indent) {
    if (array.empty()) {
      out_ += "<array/>\n";
      return;
    }
    out_ += "<array>\n";
    for (const PropertyList& item : array) value(item, indent + 1);
    closing("array", indent);
  }
  void write(const PropertyList::Dictionary& dictionary, int indent) {
    if (dictionary.empty()) {
      out_ += "<dict/>\n";
      return;
    }
    out_ += "<dict>\n";
    for (const auto& [key, item] : dictionary) {
      out_.append(static_cast<std::size_t>(indent) + 1, '\t');
      element("key", key);
      value(item, indent + 1);
    }
    closing("dict", indent);
  }

  void element(std::string_view name, std::string_view text) {
    out_ += '<';
    out_ += name;
    out_ += '>';
    appendEscaped(out_, text);
    out_ += "</";
    out_ += name;
    out_ += ">\n";
  }
  void closing(std::string_view name, int indent) {
    out_.append(static_cast<std::size_t>(indent), '\t');
    out_ += "</";
    out_ += name;
    out_ += ">\n";
  }

  std::string& out_;
};

}  // namespace

std::string encodeXmlPropertyList(const PropertyList& root) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  Writer(out).value(root, 0);
  out += "</plist>\n";
  return out;
}

}  // namespace marlinet
