#include "updates/version_order.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

namespace marlinet::updates {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct Parts {
  std::vector<std::string_view> numbers;
  std::vector<std::string_view> suffix;  // runs of digits or of letters
};

std::string_view trimmed(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<Parts> split(std::string_view text) {
  text = trimmed(text);
  if (text.size() > 1 && (text[0] == 'v' || text[0] == 'V') && isDigit(text[1])) text.remove_prefix(1);
  if (text.empty() || !isDigit(text.front())) return std::nullopt;
  if (const auto plus = text.find('+'); plus != std::string_view::npos) text = text.substr(0, plus);

  Parts parts;
  std::size_t at = 0;
  for (;;) {
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at])) ++at;
    parts.numbers.push_back(text.substr(start, at - start));
    if (at + 1 < text.size() && text[at] == '.' && isDigit(text[at + 1])) {
      ++at;
      continue;
    }
    break;
  }
  while (at < text.size()) {
    const std::size_t start = at;
    if (isDigit(text[at])) {
      while (at < text.size() && isDigit(text[at])) ++at;
    } else if (isLetter(text[at])) {
      while (at < text.size() && isLetter(text[at])) ++at;
    } else {
      ++at;  // a separator
      continue;
    }
    parts.suffix.push_back(text.substr(start, at - start));
  }
  return parts;
}

// Digit runs of any length, without converting (no overflow).
std::weak_ordering compareNumbers(std::string_view a, std::string_view b) {
  const auto stripZeros = [](std::string_view& digits) {
    while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
  };
  stripZeros(a);
  stripZeros(b);
  if (a.size() != b.size()) return a.size() <=> b.size();
  return a.compare(b) <=> 0;
}

std::weak_ordering compareRuns(std::string_view a, std::string_view b) {
  const bool aNumber = isDigit(a.front());
  const bool bNumber = isDigit(b.front());
  if (aNumber != bNumber) return aNumber ? std::weak_ordering::greater : std::weak_ordering::less;
  if (aNumber) return compareNumbers(a, b);
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (lower(a[i]) != lower(b[i])) return lower(a[i]) <=> lower(b[i]);
  }
  return a.size() <=> b.size();
}

}  // namespace

bool isVersion(std::string_view text) { return split(text).has_value(); }

std::weak_ordering compareVersions(std::string_view a, std::string_view b) {
  const auto left = split(a);
  const auto right = split(b);
  if (!left || !right) return left.has_value() <=> right.has_value();

  const std::size_t numbers = std::max(left->numbers.size(), right->numbers.size());
  for (std::size_t i = 0; i < numbers; ++i) {
    const std::string_view x = i < left->numbers.size() ? left->numbers[i] : "0";
    const std::string_view y = i < right->numbers.size() ? right->numbers[i] : "0";
    if (const auto order = compareNumbers(x, y); order != 0) return order;
  }
  // A pre-release comes before its release.
  if (left->suffix.empty() != right->suffix.empty()) {
    return left->suffix.empty() ? std::weak_ordering::greater : std::weak_ordering::less;
  }
  const std::size_t runs = std::min(left->suffix.size(), right->suffix.size());
  for (std::size_t i = 0; i < runs; ++i) {
    if (const auto order = compareRuns(left->suffix[i], right->suffix[i]); order != 0) return order;
  }
  return left->suffix.size() <=> right->suffix.size();
}

}  // namespace marlinet::updates
