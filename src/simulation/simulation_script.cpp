#include "simulation/simulation_script.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

namespace marlinet::simulation {
namespace {

using json = nlohmann::json;

// A script line that cannot be run; the message says why.
struct Malformed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const json* member(const json& command, const char* name) {
  const auto found = command.find(name);
  return found == command.end() ? nullptr : &*found;
}

double seconds(const json& command, const char* name, std::optional<double> fallback) {
  const json* value = member(command, name);
  if (value == nullptr) {
    if (fallback) return *fallback;
    throw Malformed(std::string("missing \"") + name + "\"");
  }
  if (!value->is_number()) throw Malformed(std::string("\"") + name + "\" must be a number");
  const double result = value->get<double>();
  if (!std::isfinite(result) || result < 0 || result > 1e6) {
    throw Malformed(std::string("\"") + name + "\" must be between 0 and 1000000 seconds");
  }
  return result;
}

std::string text(const json& command, const char* name, std::optional<std::string> fallback) {
  const json* value = member(command, name);
  if (value == nullptr) {
    if (fallback) return *fallback;
    throw Malformed(std::string("missing \"") + name + "\"");
  }
  if (!value->is_string()) throw Malformed(std::string("\"") + name + "\" must be a string");
  return value->get<std::string>();
}

bool boolean(const json& command, const char* name) {
  const json* value = member(command, name);
  if (value == nullptr || !value->is_boolean()) throw Malformed(std::string("\"") + name + "\" must be true or false");
  return value->get<bool>();
}

std::vector<std::string> texts(const json& value, const char* name) {
  if (!value.is_array()) throw Malformed(std::string("\"") + name + "\" must be an array of strings");
  std::vector<std::string> result;
  for (const json& element : value) {
    if (!element.is_string()) throw Malformed(std::string("\"") + name + "\" must be an array of strings");
    result.push_back(element.get<std::string>());
  }
  return result;
}

KeyModifiers modifiers(const json& command) {
  const json* value = member(command, "modifiers");
  KeyModifiers result;
  if (value == nullptr) return result;
  for (const std::string& name : texts(*value, "modifiers")) {
    if (name == "shift") result.insert(KeyModifiers::shift);
    else if (name == "control") result.insert(KeyModifiers::control);
    else if (name == "option") result.insert(KeyModifiers::option);
    else if (name == "command") result.insert(KeyModifiers::command);
    else if (name == "function") result.insert(KeyModifiers::function);
    else throw Malformed("unknown modifier \"" + name + "\"");
  }
  return result;
}

std::vector<PasteboardItemSnapshot> items(const json& command) {
  const json* value = member(command, "items");
  if (value == nullptr || !value->is_array()) throw Malformed("\"items\" must be an array of objects");
  std::vector<PasteboardItemSnapshot> result;
  for (const json& item : *value) {
    if (!item.is_object()) throw Malformed("\"items\" must be an array of objects");
    PasteboardItemSnapshot snapshot;
    for (const auto& [type, data] : item.items()) {
      if (!data.is_string()) throw Malformed("pasteboard data must be strings");
      const std::string bytes = data.get<std::string>();
      snapshot[type] = PasteboardBytes(bytes.begin(), bytes.end());
    }
    result.push_back(std::move(snapshot));
  }
  return result;
}

void run(const json& command, SimulatedDesktop& desktop) {
  if (!command.is_object()) throw Malformed("a command must be a JSON object");
  const std::string type = text(command, "type", std::nullopt);
  if (type == "text") {
    desktop.typeText(text(command, "text", std::nullopt), seconds(command, "interval", 0.1));
  } else if (type == "key") {
    const json* code = member(command, "keyCode");
    if (code == nullptr || !code->is_number_integer() || code->get<std::int64_t>() < 0 ||
        code->get<std::int64_t>() > std::numeric_limits<std::uint16_t>::max()) {
      throw Malformed("\"keyCode\" must be an integer from 0 to 65535");
    }
    const std::string phase = text(command, "phase", std::nullopt);
    SimulatedDesktop::KeyAction action;
    if (phase == "down") action = SimulatedDesktop::KeyAction::down;
    else if (phase == "up") action = SimulatedDesktop::KeyAction::up;
    else if (phase == "press") action = SimulatedDesktop::KeyAction::press;
    else throw Malformed("\"phase\" must be \"down\", \"up\" or \"press\"");
    desktop.key(static_cast<std::uint16_t>(code->get<std::int64_t>()), text(command, "characters", ""),
                modifiers(command), action);
  } else if (type == "click") {
    desktop.click();
  } else if (type == "wait") {
    desktop.wait(seconds(command, "seconds", std::nullopt));
  } else if (type == "stall") {
    desktop.stall(seconds(command, "seconds", std::nullopt));
  } else if (type == "tapDisabled") {
    desktop.tapDisabled();
  } else if (type == "frontmost") {
    const json* id = member(command, "bundleID");
    if (id == nullptr || !(id->is_null() || id->is_string())) throw Malformed("\"bundleID\" must be a string or null");
    desktop.setFrontmost(id->is_null() ? std::nullopt : std::optional<std::string>(id->get<std::string>()));
  } else if (type == "secureInput") {
    desktop.context().secureInput = boolean(command, "on");
  } else if (type == "inputSource") {
    if (const json* none = member(command, "none"); none != nullptr && *none == true) {
      desktop.context().source = std::nullopt;
    } else {
      const json* languages = member(command, "languages");
      desktop.context().source = InputSourceInfo{text(command, "id", ""), text(command, "sourceType", ""),
                                                 languages ? texts(*languages, "languages") : std::vector<std::string>{}};
    }
  } else if (type == "settings") {
    const json* enabled = member(command, "expansionEnabled");
    const json* excluded = member(command, "excludedBundleIDs");
    if (enabled == nullptr && excluded == nullptr) {
      throw Malformed("\"settings\" needs \"expansionEnabled\" or \"excludedBundleIDs\"");
    }
    if (enabled != nullptr) desktop.setExpansionEnabled(boolean(command, "expansionEnabled"));
    if (excluded != nullptr) {
      const std::vector<std::string> ids = texts(*excluded, "excludedBundleIDs");
      desktop.setExcludedBundleIDs(std::set<std::string>(ids.begin(), ids.end()));
    }
  } else if (type == "copy") {
    desktop.copy(items(command));
  } else {
    throw Malformed("unknown command type \"" + type + "\"");
  }
}

}  // namespace

int runScript(std::istream& script, SimulatedDesktop& desktop, std::ostream& errors) {
  std::string line;
  for (std::size_t number = 1; std::getline(script, line); ++number) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    const json command = json::parse(line, nullptr, false);
    try {
      if (command.is_discarded()) throw Malformed("not valid JSON");
      run(command, desktop);
    } catch (const Malformed& problem) {
      errors << "marlinet simulate: line " << number << ": " << problem.what() << '\n';
      return 2;
    } catch (const json::exception& problem) {
      errors << "marlinet simulate: line " << number << ": " << problem.what() << '\n';
      return 2;
    }
  }
  desktop.finish();
  return 0;
}

}  // namespace marlinet::simulation
