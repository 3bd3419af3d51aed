#include "input_method/engine_source.h"

#include <algorithm>
#include <string>
#include <vector>

namespace marlinet {
namespace {

// The frameworks give POSIX locale names ("zh_CN", "ja_JP.UTF-8") where the
// gate reads language tags ("zh-CN"); "other" and empty mean no language, so
// the engine's name decides.
std::vector<std::string> languageTags(std::string_view language) {
  language = language.substr(0, language.find_first_of(".@"));
  if (language.empty() || language == "other") return {};
  std::string tag(language);
  std::replace(tag.begin(), tag.end(), '_', '-');
  return {std::move(tag)};
}

InputSourceInfo source(std::string_view name, std::string_view layoutPrefix, std::string_view engineType,
                       std::string_view language) {
  const bool layout = name.starts_with(layoutPrefix);
  return InputSourceInfo{std::string(name), std::string(layout ? keyboardLayoutType : engineType),
                         languageTags(language)};
}

}  // namespace

InputSourceInfo ibusEngineSource(std::string_view engineName, std::string_view language) {
  return source(engineName, "xkb:", ibusEngineType, language);
}

InputSourceInfo fcitxInputMethodSource(std::string_view inputMethodName, std::string_view languageCode) {
  return source(inputMethodName, "keyboard-", fcitxInputMethodType, languageCode);
}

}  // namespace marlinet
