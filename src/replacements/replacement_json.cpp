#include "replacements/replacement_json.h"

namespace marlinet {

std::optional<Replacement> decodeReplacement(const nlohmann::json& json) noexcept {
  try {
    if (!json.is_object()) return std::nullopt;
    const auto shortcut = json.find("shortcut");
    const auto phrase = json.find("phrase");
    if (shortcut == json.end() || phrase == json.end() || !shortcut->is_string() || !phrase->is_string()) {
      return std::nullopt;
    }
    return Replacement{shortcut->get<std::string>(), phrase->get<std::string>()};
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace marlinet
