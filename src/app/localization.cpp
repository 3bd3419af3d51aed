#include "app/localization.h"

#include <map>

namespace marlinet {
namespace {

// English is the only language so far; a translation adds its table here.
const std::map<std::string, std::string, std::less<>>& table() {
  static const std::map<std::string, std::string, std::less<>> entries;
  return entries;
}

}  // namespace

std::string localized(std::string_view english) {
  const auto found = table().find(english);
  return found == table().end() ? std::string(english) : found->second;
}

std::string localized(std::string_view english, std::int64_t number) {
  std::string text = localized(english);
  if (const auto at = text.find("%lld"); at != std::string::npos) text.replace(at, 4, std::to_string(number));
  return text;
}

}  // namespace marlinet
