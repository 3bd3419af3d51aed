#include "app/command_line.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "app/localization.h"
#include "replacements/file_system.h"
#include "replacements/import_reader.h"
#include "replacements/replacement_parser.h"
#include "simulation/simulated_desktop.h"
#include "simulation/simulation_script.h"

namespace marlinet {
namespace {

constexpr int exitSuccess = 0;
constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

constexpr std::string_view usageText =
    "Usage:\n"
    "  marlinet check [--json] FILE\n"
    "      Reads a replacement list (a property list, as dragged out of the\n"
    "      text replacement settings or in the system's record shape; an\n"
    "      espanso match file, .yml or .yaml; or an AutoKey phrase folder)\n"
    "      exactly as an import would, and shows what Marlinet can use of it.\n"
    "      --json  print one JSON object instead of text.\n"
    "      Exit status: 0 when the file parsed (even with nothing usable),\n"
    "      1 when it is not a replacement list, 2 for a usage error.\n"
    "\n"
    "  marlinet simulate [--replacements FILE] [--system FILE]\n"
    "      Runs the expansion path on a simulated desktop driven by a JSON Lines\n"
    "      script on standard input and writes a JSON Lines trace to standard\n"
    "      output. --replacements: an imported list; --system: the user's own\n"
    "      list file (root array of records or root dictionary of texts).\n"
    "      Exit status: 0 when the script ran, 1 when the --replacements file\n"
    "      is not a replacement list, 2 for a usage error or a malformed line.\n"
    "\n"
    "  marlinet --help\n";

// Line breaks and tabs made visible, so each replacement stays on one line.
// Walks the bytes (phrases are well-formed UTF-8), so a huge phrase costs no
// more than its own copy.
std::string escaped(std::string_view phrase) {
  static constexpr std::pair<std::string_view, std::string_view> visible[] = {
      {"\n", "\\n"}, {"\r", "\\r"}, {"\t", "\\t"}, {"\x0B", "\\v"}, {"\x0C", "\\f"},
      {"\xC2\x85", "\\u0085"}, {"\xE2\x80\xA8", "\\u2028"}, {"\xE2\x80\xA9", "\\u2029"}};
  std::string out;
  out.reserve(phrase.size());
  while (!phrase.empty()) {
    const auto* match = std::find_if(std::begin(visible), std::end(visible),
                                     [&](const auto& pair) { return phrase.starts_with(pair.first); });
    if (match == std::end(visible)) {
      out += phrase.front();
      phrase.remove_prefix(1);
    } else {
      out += match->second;
      phrase.remove_prefix(match->first.size());
    }
  }
  return out;
}

const char* errorName(ReplacementParseError error) {
  return error == ReplacementParseError::unreadable ? "unreadable" : "unexpectedFormat";
}

void printNotAList(std::ostream& out) {
  out << localized("This file is not a text replacement list.") << '\n'
      << localized("In System Settings › Keyboard › Text Replacements, select the replacements, drag them to the "
                   "Desktop, and import the file that appears.")
      << '\n';
}

int check(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  bool asJSON = false;
  std::optional<std::string> file;
  for (const std::string& argument : arguments) {
    if (argument == "--json" && !asJSON) {
      asJSON = true;
    } else if (!file && (argument.empty() || argument.front() != '-' || argument == "-")) {
      file = argument;
    } else {
      err << localized(usageText);
      return exitUsage;
    }
  }
  if (!file) {
    err << localized(usageText);
    return exitUsage;
  }

  const ImportReading reading = readImport(*file, LocalFileSystem());
  // Property lists keep the output they always had; other formats add their
  // name and the entries left out for features Marlinet does not have.
  const bool foreign = reading.format != ImportFormat::propertyList;

  if (const auto* error = std::get_if<ReplacementParseError>(&reading.result)) {
    if (asJSON) {
      nlohmann::ordered_json object{{"error", errorName(*error)}};
      if (foreign) object["format"] = importFormatName(reading.format);
      out << object.dump() << '\n';
    } else if (foreign) {
      out << localized("This file is not a text replacement list.") << '\n'
          << localized("Marlinet reads espanso match files (.yml or .yaml) with a “matches” list, and AutoKey "
                       "folders of phrases.")
          << '\n';
    } else {
      printNotAList(out);
    }
    return exitFailure;
  }

  const auto& [parsed, skippedUnsupported] = std::get<ForeignList>(reading.result);
  if (asJSON) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Replacement& r : parsed.replacements) list.push_back({{"shortcut", r.shortcut}, {"phrase", r.phrase}});
    nlohmann::ordered_json object;
    if (foreign) object["format"] = importFormatName(reading.format);
    object["replacements"] = std::move(list);
    object["skippedNonASCII"] = parsed.skippedNonASCII;
    object["skippedDisabled"] = parsed.skippedDisabled;
    if (foreign) object["skippedUnsupported"] = skippedUnsupported;
    out << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return exitSuccess;
  }

  out << localized("Usable replacements: %lld", static_cast<std::int64_t>(parsed.replacements.size())) << '\n';
  for (const Replacement& r : parsed.replacements) out << "  " << r.shortcut << " → " << escaped(r.phrase) << '\n';
  out << localized("%lld shortcuts with other characters (such as Hangul) are skipped in this version.",
                   parsed.skippedNonASCII)
      << '\n'
      << localized("%lld switched-off replacements are skipped.", parsed.skippedDisabled) << '\n';
  if (foreign) {
    out << localized("%lld entries that need scripts, variables, forms, hotkeys or other features Marlinet does not "
                     "have are skipped.",
                     skippedUnsupported)
        << '\n';
  }
  if (parsed.replacements.empty()) {
    out << localized("No replacements Marlinet can use were found in this file.") << '\n'
        << localized("Marlinet expands shortcuts made of English letters, digits and punctuation.") << '\n';
  }
  return exitSuccess;
}

int simulate(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err) {
  std::optional<std::string> replacementsFile;
  std::optional<std::string> systemFile;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::optional<std::string>* target = arguments[i] == "--replacements" ? &replacementsFile
                                         : arguments[i] == "--system"     ? &systemFile
                                                                          : nullptr;
    if (target == nullptr || target->has_value() || i + 1 >= arguments.size()) {
      err << localized(usageText);
      return exitUsage;
    }
    *target = arguments[++i];
  }

  simulation::SimulationLists lists;
  if (replacementsFile) lists.imported = std::filesystem::path(*replacementsFile);
  if (systemFile) lists.system = std::filesystem::path(*systemFile);
  simulation::SimulatedDesktop desktop(out, lists);
  if (desktop.importRefused()) {
    err << "marlinet simulate: " << *replacementsFile << ": ";
    printNotAList(err);
    return exitFailure;
  }
  return simulation::runScript(in, desktop, err);
}

}  // namespace

int runCommandLine(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                   std::ostream& err) {
  if (arguments.empty()) {
    err << localized(usageText);
    return exitUsage;
  }
  const std::string& command = arguments.front();
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "--help" || command == "-h" || command == "help") {
    out << localized(usageText);
    return exitSuccess;
  }
  for (const std::string& argument : rest) {
    if (argument == "--help" || argument == "-h") {
      out << localized(usageText);
      return exitSuccess;
    }
  }
  if (command == "check") return check(rest, out, err);
  if (command == "simulate") return simulate(rest, in, out, err);
  err << localized(usageText);
  return exitUsage;
}

}  // namespace marlinet
