#pragma once

#include <optional>

#include <nlohmann/json.hpp>

#include "engine/replacement.h"

namespace marlinet {

// JSON form of a replacement: an object with exactly "shortcut" and "phrase",
// in that order when the JSON type keeps order.
template <typename BasicJson>
void to_json(BasicJson& json, const Replacement& replacement) {
  json = BasicJson::object();
  json["shortcut"] = replacement.shortcut;
  json["phrase"] = replacement.phrase;
}

// Both members are required and must be strings; other members are ignored.
// Throws nlohmann::json::type_error / out_of_range otherwise, as nlohmann's
// own conversions do; decodeReplacement is the non-throwing form.
template <typename BasicJson>
void from_json(const BasicJson& json, Replacement& replacement) {
  replacement.shortcut = json.at("shortcut").template get_ref<const typename BasicJson::string_t&>();
  replacement.phrase = json.at("phrase").template get_ref<const typename BasicJson::string_t&>();
}

// The replacement in `json`, or absent when it is not an object holding both
// strings.
std::optional<Replacement> decodeReplacement(const nlohmann::json& json) noexcept;

}  // namespace marlinet
