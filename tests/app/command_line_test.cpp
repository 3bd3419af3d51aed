// Drives the `marlinet` binary end to end: arguments and standard input in,
// trace or report and exit status out.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace marlinet {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("marlinet-cli-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path write(const std::string& name, const std::string& content) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  Outcome run(const std::string& arguments, const std::string& input = "") {
    const fs::path in = write("stdin", input);
    const std::string command = std::string("'") + MARLINET_BINARY + "' " + arguments + " < '" + in.string() +
                                "' > '" + (dir / "stdout").string() + "' 2> '" + (dir / "stderr").string() + "'";
    Outcome result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(dir / "stdout");
    result.err = slurp(dir / "stderr");
    return result;
  }

  // The trace of a simulate run as JSON objects.
  std::vector<json> simulate(const std::string& script, const std::string& arguments = "") {
    const Outcome result = run("simulate " + arguments, script);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<json> lines;
    std::istringstream stream(result.out);
    for (std::string line; std::getline(stream, line);) lines.push_back(json::parse(line));
    return lines;
  }

  fs::path list(const std::string& records) {
    return write("list.plist",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>" + records +
                     "</array></plist>\n");
  }
  static std::string record(const std::string& shortcut, const std::string& phrase) {
    return "<dict><key>shortcut</key><string>" + shortcut + "</string><key>phrase</key><string>" + phrase +
           "</string></dict>";
  }

  static std::string slurp(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  fs::path dir;
};

std::vector<json> ofKind(const std::vector<json>& trace, const std::string& kind) {
  std::vector<json> found;
  for (const json& line : trace) {
    if (line["kind"] == kind) found.push_back(line);
  }
  return found;
}

TEST_F(CommandLine, CheckReportsUsableEntriesSkipsAndErrors) {
  const fs::path good = list(record("omw", "On my way!") + record("tab", "a\tb") + record("한", "x") +
                             "<dict><key>replace</key><string>off</string><key>with</key><string>y</string>"
                             "<key>on</key><integer>0</integer></dict>");
  Outcome result = run("check --json '" + good.string() + "'");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(json::parse(result.out),
            json::parse(R"({"replacements":[{"shortcut":"omw","phrase":"On my way!"},{"shortcut":"tab","phrase":"a\tb"}],)"
                        R"("skippedNonASCII":1,"skippedDisabled":1})"));

  result = run("check '" + good.string() + "'");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("omw → On my way!"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("tab → a\\tb"), std::string::npos) << "tabs are shown escaped";
  EXPECT_NE(result.out.find("1 shortcuts with other characters (such as Hangul) are skipped in this version."),
            std::string::npos);

  // Parsed, but nothing usable: still success, with the explanation.
  result = run("check '" + list(record("café", "x")).string() + "'");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("No replacements Marlinet can use were found in this file."), std::string::npos);

  const struct {
    std::string file;
    const char* error;
  } failures[] = {{(dir / "missing.plist").string(), "unreadable"},
                  {write("empty", "").string(), "unreadable"},
                  {write("garbage", "\x01\x02 not a plist").string(), "unreadable"},
                  {write("text.plist", "<plist version=\"1.0\"><string>hi</string></plist>").string(), "unexpectedFormat"},
                  {list("<integer>1</integer>").string(), "unexpectedFormat"}};
  for (const auto& failure : failures) {
    result = run("check --json '" + failure.file + "'");
    EXPECT_EQ(result.status, 1) << failure.file;
    EXPECT_EQ(json::parse(result.out), json({{"error", failure.error}})) << failure.file;
    result = run("check '" + failure.file + "'");
    EXPECT_NE(result.out.find("This file is not a text replacement list."), std::string::npos);
  }

  for (const char* misuse : {"", "check", "check a b", "check --bogus x", "frobnicate", "simulate --system"}) {
    EXPECT_EQ(run(misuse).status, 2) << misuse;
  }
  result = run("--help");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("marlinet simulate"), std::string::npos);
}

TEST_F(CommandLine, TypedExpansionFollowsTheRoadOfAKeystroke) {
  const std::vector<json> trace =
      simulate(R"({"type":"text","text":"Omw "})", "--replacements '" + list(record("omw", "on my way")).string() + "'");
  const auto expansions = ofKind(trace, "expansion");
  ASSERT_EQ(expansions.size(), 1u);
  EXPECT_EQ(expansions[0]["phrase"], "On my way");
  EXPECT_EQ(expansions[0]["deleteCount"], 3);
  EXPECT_DOUBLE_EQ(expansions[0]["t"].get<double>(), 0.3);

  const auto swallowed = ofKind(trace, "swallow");
  ASSERT_EQ(swallowed.size(), 1u);
  EXPECT_EQ(swallowed[0]["keyCode"], 49);
  // The replayed delimiter arrives as the program's own, after the phrase.
  const auto delivered = ofKind(trace, "deliver");
  const auto replay = std::find_if(delivered.begin(), delivered.end(), [](const json& d) {
    return d["keyCode"] == 49 && d["phase"] == "down";
  });
  ASSERT_NE(replay, delivered.end());
  EXPECT_TRUE((*replay)["synthetic"].get<bool>());
  EXPECT_EQ(trace.back()["text"], "On my way ");
  EXPECT_EQ(trace.back()["isExpanding"], false);
}

TEST_F(CommandLine, PastedPhraseRestoresTheClipboardUnlessTheUserCopiedMeanwhile) {
  const std::string replacements = "--replacements '" + list(record("sig", "Best,\nMe")).string() + "'";
  std::vector<json> trace = simulate(R"({"type":"copy","items":[{"public.utf8-plain-text":"mine","public.rtf":"{\\rtf1 mine}"}]}
{"type":"text","text":"sig."})",
                                     replacements);
  auto changes = ofKind(trace, "pasteboard");
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[1]["action"], "write");
  EXPECT_EQ(changes[2]["action"], "restore");
  // 0.08 s to the delimiter's replay, 0.5 s more to the restore.
  EXPECT_NEAR(changes[2]["t"].get<double>() - changes[1]["t"].get<double>(), 0.58, 1e-9);
  EXPECT_EQ(trace.back()["text"], "Best,\nMe.");
  EXPECT_EQ(trace.back()["pasteboard"], changes[0]["items"]) << "both types of the user's item come back";

  trace = simulate(R"({"type":"copy","items":[{"public.utf8-plain-text":"old"}]}
{"type":"text","text":"sig "}
{"type":"wait","seconds":0.2}
{"type":"copy","items":[{"public.utf8-plain-text":"new"}]})",
                   replacements);
  changes = ofKind(trace, "pasteboard");
  EXPECT_EQ(changes.back()["action"], "copy") << "no restore over the user's newer copy";
  EXPECT_EQ(trace.back()["pasteboard"], json::parse(R"([{"public.utf8-plain-text":"new"}])"));
}

TEST_F(CommandLine, HeldKeysAndAStallPastTheHoldTimeKeepTypedOrder) {
  const std::string replacements = "--replacements '" + list(record("sig", "Best,\nMe")).string() + "'";
  // Keys typed 0.02 s apart land inside the paste's 0.08 s and are held.
  std::vector<json> trace = simulate(R"({"type":"text","text":"sig xy","interval":0.02})", replacements);
  const auto swallowed = ofKind(trace, "swallow");
  EXPECT_TRUE(std::any_of(swallowed.begin(), swallowed.end(), [](const json& s) { return s["characters"] == "x"; }))
      << "a key typed during the paste is held";
  EXPECT_EQ(trace.back()["text"], "Best,\nMe xy");

  // The main thread stalls before the edit: the shortcut stays and nothing typed is lost.
  trace = simulate(R"({"type":"text","text":"sig"}
{"type":"key","keyCode":49,"characters":" ","phase":"down"}
{"type":"stall","seconds":1.2}
{"type":"text","text":"ok"})",
                   replacements);
  EXPECT_EQ(trace.back()["text"], "sig ok");
  EXPECT_EQ(trace.back()["isExpanding"], false);
}

TEST_F(CommandLine, NothingExpandsWhereTheGateSaysNo) {
  const std::string replacements = "--replacements '" + list(record("omw", "on my way")).string() + "'";
  const struct {
    const char* setup;
    const char* verdict;
  } cases[] = {
      {R"({"type":"frontmost","bundleID":"com.apple.Safari"})", "excludedApp"},
      {R"({"type":"settings","excludedBundleIDs":["com.example.editor"]})", "excludedApp"},
      {R"({"type":"secureInput","on":true})", "secureInput"},
      {R"({"type":"inputSource","id":"com.apple.inputmethod.Kotoeri.RomajiTyping","sourceType":"TISTypeKeyboardInputMode","languages":["ja"]})",
       "composingInput"},
      {R"({"type":"settings","expansionEnabled":false})", "off"},
  };
  for (const auto& c : cases) {
    const std::vector<json> trace = simulate(std::string(c.setup) + "\n" + R"({"type":"text","text":"omw "})", replacements);
    EXPECT_TRUE(ofKind(trace, "expansion").empty()) << c.setup;
    const auto gates = ofKind(trace, "gate");
    ASSERT_EQ(gates.size(), 4u) << c.setup;
    EXPECT_EQ(gates[0]["verdict"], c.verdict);
    EXPECT_EQ(trace.back()["text"], "omw ");
  }
}

TEST_F(CommandLine, AMalformedLineStopsTheRunAndNamesItsLine) {
  for (const char* bad : {"{not json", R"({"type":"teleport"})", R"({"type":"wait"})", R"({"type":"key","keyCode":-1,"phase":"down"})",
                          R"({"type":"key","keyCode":3,"phase":"sideways"})", R"([1,2])"}) {
    const Outcome result = run("simulate", std::string("# comment\n\n{\"type\":\"click\"}\n") + bad + "\n{\"type\":\"click\"}\n");
    EXPECT_EQ(result.status, 2) << bad;
    EXPECT_NE(result.err.find("line 4"), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("\"end\""), std::string::npos) << "the run stops at the bad line";
  }
}

}  // namespace
}  // namespace marlinet
