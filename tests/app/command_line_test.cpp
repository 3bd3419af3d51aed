// Drives the `marlinet` binary end to end: arguments and standard input in,
// trace or report and exit status out.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/temporary_folder.h"

namespace marlinet {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::writeBytes;
using json = nlohmann::json;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string record(const std::string& shortcut, const std::string& phrase) {
  return "<dict><key>shortcut</key><string>" + shortcut + "</string><key>phrase</key><string>" + phrase +
         "</string></dict>";
}

class CommandLine : public ::testing::Test {
 protected:
  fs::path write(const std::string& name, const std::string& content) { return writeBytes(dir / name, content); }
  Outcome run(const std::string& arguments, const std::string& input = "") {
    const std::string command = std::string("'") + MARLINET_BINARY + "' " + arguments + " < '" +
                                write("stdin", input).string() + "' > '" + (dir / "stdout").string() + "' 2> '" +
                                (dir / "stderr").string() + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(dir / "stdout"), readBytes(dir / "stderr")};
  }
  // The trace of a simulate run as JSON objects.
  std::vector<json> simulate(const std::string& script, const std::string& arguments) {
    const Outcome result = run("simulate " + arguments, script);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<json> lines;
    std::istringstream stream(result.out);
    for (std::string line; std::getline(stream, line);) lines.push_back(json::parse(line));
    return lines;
  }
  fs::path list(const std::string& records) {
    return write("list.plist", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>" + records +
                                   "</array></plist>\n");
  }
  // The simulate argument for a list of one replacement.
  std::string only(const std::string& shortcut, const std::string& phrase) {
    return "--replacements '" + list(record(shortcut, phrase)).string() + "'";
  }

  testing::TemporaryFolder dir;
};

TEST_F(CommandLine, CheckReportsUsableEntriesSkipsAndErrors) {
  const fs::path good = list(record("omw", "On my way!") + record("tab", "a\tb") + record("한", "x") +
                             "<dict><key>replace</key><string>off</string><key>with</key><string>y</string>"
                             "<key>on</key><integer>0</integer></dict>");
  Outcome result = run("check --json '" + good.string() + "'");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(json::parse(result.out),
            json::parse(R"({"replacements":[{"shortcut":"omw","phrase":"On my way!"},{"shortcut":"tab","phrase":"a\tb"}],)"
                        R"("skippedNonASCII":1,"skippedDisabled":1})"));

  const std::pair<std::string, const char*> failures[] = {
      {(dir / "missing.plist").string(), "unreadable"},
      {write("text.plist", "<plist version=\"1.0\"><string>hi</string></plist>").string(), "unexpectedFormat"}};
  for (const auto& [file, error] : failures) {
    result = run("check --json '" + file + "'");
    EXPECT_EQ(result.status, 1) << file;
    EXPECT_EQ(json::parse(result.out), json({{"error", error}})) << file;
  }
  for (const char* misuse : {"check a b", "frobnicate"}) EXPECT_EQ(run(misuse).status, 2) << misuse;

  // Another expander's list says which it was and what it could not bring.
  const fs::path espanso = write("base.yml", "matches:\n  - trigger: omw\n    replace: on my way\n"
                                             "  - regex: \"(?P<n>\\\\d+)x\"\n    replace: \"{{n}} times\"\n");
  result = run("check --json '" + espanso.string() + "'");
  EXPECT_EQ(result.status, 0) << result.err;
  const json report = json::parse(result.out);
  EXPECT_EQ(report.value("format", ""), "espanso");
  EXPECT_EQ(report.value("skippedUnsupported", -1), 1);
  EXPECT_EQ(report["replacements"], json::parse(R"([{"shortcut":"omw","phrase":"on my way"}])"));
}

TEST_F(CommandLine, APastedPhraseRestoresTheClipboardAndKeepsTypedOrder) {
  const std::string replacements = only("sig", "Best,\nMe");
  const std::vector<json> trace = simulate(R"({"type":"copy","items":[{"public.utf8-plain-text":"mine","public.rtf":"{\\rtf1 mine}"}]}
{"type":"text","text":"sig."})",
                                           replacements);
  std::vector<json> changes;
  std::copy_if(trace.begin(), trace.end(), std::back_inserter(changes), [](const json& l) { return l["kind"] == "pasteboard"; });
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[2]["action"], "restore");
  EXPECT_EQ(trace.back()["text"], "Best,\nMe.");
  EXPECT_EQ(trace.back()["pasteboard"], changes[0]["items"]) << "both types of the user's item come back";

  // Keys typed 0.02 s apart land inside the paste's 0.08 s and are held.
  EXPECT_EQ(simulate(R"({"type":"text","text":"sig xy","interval":0.02})", replacements).back()["text"],
            "Best,\nMe xy");

  // The main thread stalls before the edit: the shortcut stays and nothing typed is lost.
  const json last = simulate(R"({"type":"text","text":"sig"}
{"type":"key","keyCode":49,"characters":" ","phase":"down"}
{"type":"stall","seconds":1.2}
{"type":"text","text":"ok"})",
                             replacements).back();
  EXPECT_EQ(last["text"], "sig ok");
  EXPECT_EQ(last["isExpanding"], false);
}

TEST_F(CommandLine, ATypedShortcutExpandsExceptWhereTheGateSaysNo) {
  std::vector<json> trace = simulate(R"({"type":"text","text":"Omw "})", only("omw", "on my way"));
  EXPECT_EQ(trace.back()["text"], "On my way ") << "the swallowed delimiter is replayed after the phrase";
  EXPECT_EQ(trace.back()["isExpanding"], false);
  for (const char* setup : {R"({"type":"frontmost","bundleID":"com.apple.Safari"})",
                            R"({"type":"settings","excludedBundleIDs":["com.example.editor"]})",
                            R"({"type":"secureInput","on":true})",
                            R"({"type":"inputSource","id":"com.apple.inputmethod.Kotoeri.RomajiTyping","sourceType":"TISTypeKeyboardInputMode","languages":["ja"]})",
                            R"({"type":"settings","expansionEnabled":false})"}) {
    trace = simulate(std::string(setup) + "\n" + R"({"type":"text","text":"omw "})", only("omw", "on my way"));
    EXPECT_EQ(trace.back()["text"], "omw ") << setup;
  }
}

TEST_F(CommandLine, AMalformedLineStopsTheRunAndNamesItsLine) {
  for (const char* bad : {"{not json", R"({"type":"teleport"})", R"({"type":"key","keyCode":-1,"phase":"down"})"}) {
    const Outcome result = run("simulate", std::string("# comment\n\n{\"type\":\"click\"}\n") + bad + "\n{\"type\":\"click\"}\n");
    EXPECT_EQ(result.status, 2) << bad;
    EXPECT_NE(result.err.find("line 4"), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("\"end\""), std::string::npos) << "the run stops at the bad line";
  }
}

}  // namespace
}  // namespace marlinet
