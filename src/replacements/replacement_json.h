#pragma once

#include <nlohmann/json.hpp>

#include "engine/replacement.h"

namespace marlinet {

// JSON form of a replacement: an object with exactly "shortcut" and "phrase",
// in that order when the JSON type keeps order. The stored list is read back
// by ImportedReplacementsStore::decode, which streams instead of building values.
template <typename BasicJson>
void to_json(BasicJson& json, const Replacement& replacement) {
  json = BasicJson::object();
  json["shortcut"] = replacement.shortcut;
  json["phrase"] = replacement.phrase;
}

}  // namespace marlinet
