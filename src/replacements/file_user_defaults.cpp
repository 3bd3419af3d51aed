#include "replacements/file_user_defaults.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "replacements/app_directories.h"
#include "replacements/json_nesting.h"

namespace marlinet {

namespace {

std::optional<PropertyList> fromJson(const nlohmann::json& json, int depth) {
  if (depth > maxPropertyListDepth) return std::nullopt;
  switch (json.type()) {
    case nlohmann::json::value_t::string:
      return PropertyList(json.get<std::string>());
    case nlohmann::json::value_t::boolean:
      return PropertyList(json.get<bool>());
    case nlohmann::json::value_t::number_integer:
      return PropertyList(json.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned: {
      const auto value = json.get<std::uint64_t>();
      if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return PropertyList(static_cast<std::int64_t>(value));
      }
      return PropertyList(static_cast<double>(value));
    }
    case nlohmann::json::value_t::number_float:
      return PropertyList(json.get<double>());
    case nlohmann::json::value_t::array: {
      PropertyList::Array array;
      array.reserve(json.size());
      for (const auto& element : json) {
        auto value = fromJson(element, depth + 1);
        if (!value) return std::nullopt;
        array.push_back(std::move(*value));
      }
      return PropertyList(std::move(array));
    }
    case nlohmann::json::value_t::object: {
      PropertyList::Dictionary dictionary;
      for (const auto& [key, element] : json.items()) {
        auto value = fromJson(element, depth + 1);
        if (!value) return std::nullopt;
        dictionary.insert_or_assign(key, std::move(*value));
      }
      return PropertyList(std::move(dictionary));
    }
    default:
      return std::nullopt;  // null, binary, discarded
  }
}


std::optional<nlohmann::json> toJson(const PropertyList& value, int depth) {
  if (depth > maxPropertyListDepth) return std::nullopt;
  if (const auto* text = value.text()) return nlohmann::json(*text);
  if (const auto* boolean = std::get_if<bool>(&value.value)) return nlohmann::json(*boolean);
  if (const auto* integer = std::get_if<std::int64_t>(&value.value)) return nlohmann::json(*integer);
  if (const auto* real = std::get_if<double>(&value.value)) {
    if (!std::isfinite(*real)) return std::nullopt;
    return nlohmann::json(*real);
  }
  if (const auto* array = value.array()) {
    nlohmann::json result = nlohmann::json::array();
    for (const PropertyList& element : *array) {
      auto converted = toJson(element, depth + 1);
      if (!converted) return std::nullopt;
      result.push_back(std::move(*converted));
    }
    return result;
  }
  if (const auto* dictionary = value.dictionary()) {
    nlohmann::json result = nlohmann::json::object();
    for (const auto& [key, element] : *dictionary) {
      auto converted = toJson(element, depth + 1);
      if (!converted) return std::nullopt;
      result[key] = std::move(*converted);
    }
    return result;
  }
  return std::nullopt;  // dates, data and archive references have no JSON form here
}

}  // namespace

FileUserDefaults::FileUserDefaults(std::string_view folderName)
    : FileUserDefaults(fileInFolder(userConfigDirectory(), folderName, fileName), std::make_shared<LocalFileSystem>()) {}

FileUserDefaults::FileUserDefaults(std::optional<std::filesystem::path> fileURL,
                                   std::shared_ptr<FileSystem> fileSystem)
    : fileURL_(std::move(fileURL)), fileSystem_(std::move(fileSystem)) {
  if (!fileURL_ || !fileSystem_) return;
  if (const auto bytes = fileSystem_->readFile(*fileURL_)) {
    if (auto values = decode(*bytes)) values_ = std::move(*values);
  }
}

void FileUserDefaults::registerDefaults(const PropertyList::Dictionary& defaults) {
  try {
    for (const auto& [key, value] : defaults) registered_.insert_or_assign(key, value);
  } catch (...) {
    // Out of memory: the defaults that made it in stay.
  }
}

std::optional<PropertyList> FileUserDefaults::objectForKey(std::string_view key) const {
  try {
    if (const auto found = values_.find(key); found != values_.end()) return found->second;
    if (const auto found = registered_.find(key); found != registered_.end()) return found->second;
  } catch (...) {
  }
  return std::nullopt;
}

void FileUserDefaults::setObject(std::string_view key, PropertyList value) {
  try {
    values_.insert_or_assign(std::string(key), std::move(value));
    persist();
  } catch (...) {
  }
}

void FileUserDefaults::removeObjectForKey(std::string_view key) {
  try {
    const auto found = values_.find(key);
    if (found == values_.end()) return;
    values_.erase(found);
    persist();
  } catch (...) {
  }
}

void FileUserDefaults::persist() {
  if (!fileURL_ || !fileSystem_) return;
  const auto bytes = encode(values_);
  if (!bytes || !fileSystem_->createDirectories(fileURL_->parent_path())) return;
  // A failed write leaves the previous file; the value still holds for this session.
  fileSystem_->writeFileAtomically(*fileURL_, *bytes);
}

std::optional<PropertyList::Dictionary> FileUserDefaults::decode(std::string_view bytes) {
  if (bytes.size() > maxFileSize) return std::nullopt;
  try {
    if (jsonNesting(bytes) > maxPropertyListDepth + 1) return std::nullopt;  // the file's own object is one level
    const nlohmann::json file = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (!file.is_object()) return std::nullopt;
    PropertyList::Dictionary values;
    for (const auto& [key, element] : file.items()) {
      // A value with no counterpart (null, say) is left out, not the whole file.
      if (auto value = fromJson(element, 1)) values.insert_or_assign(key, std::move(*value));
    }
    return values;
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<std::string> FileUserDefaults::encode(const PropertyList::Dictionary& values) {
  try {
    nlohmann::json file = nlohmann::json::object();
    for (const auto& [key, value] : values) {
      if (auto converted = toJson(value, 1)) file[key] = std::move(*converted);
    }
    return file.dump(2);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace marlinet
