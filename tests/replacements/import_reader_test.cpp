#include "replacements/import_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "replacements/autokey_reader.h"
#include "replacements/espanso_reader.h"
#include "support/temporary_folder.h"

namespace marlinet {
namespace {

namespace fs = std::filesystem;
using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairsOf(const ParsedReplacements& parsed) {
  Pairs pairs;
  for (const Replacement& r : parsed.replacements) pairs.emplace_back(r.shortcut, r.phrase);
  return pairs;
}

using testing::writeBytes;

std::string phraseMetadata(const std::string& abbreviations, const std::string& modes = "[1]") {
  return R"({"type": "phrase", "description": "d", "modes": )" + modes + R"(, "usageCount": 0, "prompt": false,
  "abbreviation": {"abbreviations": )" + abbreviations + R"(, "backspace": true, "ignoreCase": false,
    "immediate": false, "triggerInside": false, "wordChars": "[\\w]"},
  "hotkey": {"modifiers": [], "hotKey": null}, "filter": {"regex": null, "isRecursive": false},
  "sendMode": "kb", "matchCase": false, "showInTrayMenu": false})";
}

// `text` with its first `from` replaced by `to`.
std::string changed(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(EspansoReader, PlainMatchesBecomeReplacementsAndTheRestIsCounted) {
  const auto result = readEspansoMatches(R"yaml(# base.yml
global_vars:
  - name: me
    type: echo
    params: {echo: "Sam"}
matches:
  - trigger: ":omw"
    replace: "on my way"
    word: true
    propagate_case: true
  - triggers: [":hi", " :hello "]
    replace: |
      Hello,
      there
  - trigger: ":omw"
    replace: "a second one is dropped"
  - trigger: ":n"
    replace: 42
  - trigger: ":date"
    replace: "{{mydate}}"
    vars:
      - name: mydate
        type: date
        params: {format: "%m/%d/%Y"}
  - regex: ":greet\\((?P<person>.*)\\)"
    replace: "Hi {{person}}!"
  - {trigger: ":form", form: "Hey [[name]]"}
  - {trigger: ":cat", image_path: "$CONFIG/images/cat.png"}
  - {trigger: ":md", markdown: "**bold**"}
  - {trigger: ":div", html: "<hr>"}
  - {trigger: ":cur", replace: "<p>$|$</p>"}
  - {trigger: ":me", replace: "I am {{me}}"}
  - {trigger: ":한", replace: "x"}
  - "not a match"
  - {trigger: ":noreplace"}
)yaml");
  const auto* list = std::get_if<ForeignList>(&result);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(pairsOf(list->parsed), (Pairs{{":omw", "on my way"},
                                          {":hi", "Hello,\nthere\n"},
                                          {":hello", "Hello,\nthere\n"},
                                          {":n", "42"}}));
  EXPECT_EQ(list->skippedUnsupported, 8);
  EXPECT_EQ(list->parsed.skippedNonASCII, 1);
}

TEST(EspansoReader, RefusesWhatIsNotAMatchFileOrTooLarge) {
  // A list named from every match multiplies the walk: refused, not expanded.
  std::string aliases = "shared: &t [";
  for (int i = 0; i < 2000; ++i) aliases += "t" + std::to_string(i) + ",";
  aliases += "]\nmatches:\n";
  for (int i = 0; i < 140; ++i) aliases += "- {triggers: *t, replace: x}\n";

  std::string manyNodes = "matches: [";  // more nodes than a tree is allowed, in 600 KB
  for (int i = 0; i < 300'000; ++i) manyNodes += "a,";
  manyNodes += "]\n";

  const std::pair<std::string, ForeignListResult> cases[] = {
      {"matches: [\n  - trigger: a\n", ReplacementParseError::unreadable},
      {"- trigger: a\n  replace: b\n", ReplacementParseError::unexpectedFormat},
      {"matches: hello\n", ReplacementParseError::unexpectedFormat},
      {"toggle_key: ALT\n", ReplacementParseError::unexpectedFormat},
      {"", ReplacementParseError::unexpectedFormat},
      {"imports:\n  - other.yml\n", ForeignList{}},
      {"matches:\n", ForeignList{}},
      {std::string(5000, '[') + std::string(5000, ']'), ReplacementParseError::unreadable},
      {std::string(maxEspansoFileSize + 1, '#'), ReplacementParseError::unreadable},
      {aliases, ReplacementParseError::unreadable},
      {manyNodes, ReplacementParseError::unreadable},
  };
  for (const auto& [yaml, expected] : cases) EXPECT_EQ(readEspansoMatches(yaml), expected) << yaml.substr(0, 40);
}

TEST(AutoKeyReader, ReadsNestedFoldersAndCountsWhatItCannotUse) {
  testing::TemporaryFolder dir;
  const fs::path root = dir / "My Phrases";
  writeBytes(root / ".folder.json", R"({"type": "folder", "title": "My Phrases", "modes": []})");
  writeBytes(root / ".Home Address.json", phraseMetadata(R"(["adr", "@home"])"));
  writeBytes(root / "Home Address.txt", "1 Main St\nSpringfield");
  writeBytes(root / ".Sig.json", phraseMetadata("[]", "[3]"));  // hotkey only
  writeBytes(root / "Sig.txt", "Best,\nMe");
  writeBytes(root / ".Now.json", phraseMetadata(R"(["now"])"));
  writeBytes(root / "Now.txt", "It is <date format=%H:%M>.");
  writeBytes(root / ".Inside.json",
             changed(phraseMetadata(R"(["ins"])"), "\"triggerInside\": false", "\"triggerInside\": true"));
  writeBytes(root / "Inside.txt", "inside");
  writeBytes(root / ".Keep.json", changed(phraseMetadata(R"(["kp"])"), "\"backspace\": true", "\"backspace\": false"));
  writeBytes(root / "Keep.txt", "kept");
  writeBytes(root / "Orphan.txt", "no metadata");
  writeBytes(root / "Work" / ".Email.json", phraseMetadata(R"(["adr", " em "])"));
  writeBytes(root / "Work" / "Email.txt", "me@example.com");
  writeBytes(root / "Work" / "Deeper" / ".Run.json", R"({"type": "script", "modes": [1],
      "abbreviation": {"abbreviations": ["run"]}, "store": {}})");
  writeBytes(root / "Work" / "Deeper" / "Run.py", "keyboard.send_keys('<ctrl>+v')");
  fs::create_directory_symlink(root, root / "Work" / "loop");

  const ImportReading reading = readImport(root, LocalFileSystem());
  EXPECT_EQ(reading.format, ImportFormat::autoKey);
  const auto* list = std::get_if<ForeignList>(&reading.result);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(pairsOf(list->parsed), (Pairs{{"adr", "1 Main St\nSpringfield"},
                                          {"@home", "1 Main St\nSpringfield"},
                                          {"em", "me@example.com"}}));
  EXPECT_EQ(list->skippedUnsupported, 6);  // Sig, Now, Inside, Keep, Orphan, Run
  const std::string immediate = changed(phraseMetadata(R"(["x"])"), "\"immediate\": false", "\"immediate\": true");
  EXPECT_EQ(readAutoKeyMetadata(immediate).kind, AutoKeyItem::Kind::unsupported);

  // Not AutoKey at all, and nested past the limit.
  writeBytes(dir / "notes" / "todo.txt", "milk");
  EXPECT_EQ(readImport(dir / "notes", LocalFileSystem()).result, ForeignListResult(ReplacementParseError::unexpectedFormat));
  fs::path deep = dir / "deep";
  for (int i = 0; i <= maxAutoKeyDepth + 1; ++i) deep /= "f";
  writeBytes(deep / ".folder.json", R"({"type": "folder"})");
  EXPECT_EQ(readImport(dir / "deep", LocalFileSystem()).result, ForeignListResult(ReplacementParseError::unreadable));
}

// The same entries in every format come out the same: trimmed shortcuts, the
// first of two equal shortcuts kept, other characters counted.
TEST(ImportReader, EveryFormatCleansShortcutsLikeAPropertyList) {
  testing::TemporaryFolder dir;
  writeBytes(dir / "list.plist", R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array>
<dict><key>shortcut</key><string> omw</string><key>phrase</key><string>On my way</string></dict>
<dict><key>shortcut</key><string>omw</string><key>phrase</key><string>second</string></dict>
<dict><key>shortcut</key><string>한</string><key>phrase</key><string>x</string></dict>
</array></plist>)");
  writeBytes(dir / "base.YML",
             "matches:\n- {trigger: \" omw\", replace: On my way}\n- {trigger: omw, replace: second}\n"
             "- {trigger: 한, replace: x}\n");
  const fs::path phrases = dir / "phrases";
  writeBytes(phrases / ".a.json", phraseMetadata(R"([" omw"])"));
  writeBytes(phrases / "a.txt", "On my way");
  writeBytes(phrases / ".b.json", phraseMetadata(R"(["omw", "한"])"));
  writeBytes(phrases / "b.txt", "second");

  const ParsedReplacements expected{{{"omw", "On my way"}}, 1, 0};
  const std::pair<fs::path, ImportFormat> cases[] = {
      {dir / "list.plist", ImportFormat::propertyList},
      {dir / "base.YML", ImportFormat::espanso},
      {phrases, ImportFormat::autoKey}};
  for (const auto& [path, format] : cases) {
    const ImportReading reading = readImport(path, LocalFileSystem());
    EXPECT_EQ(reading.format, format) << path;
    const auto* list = std::get_if<ForeignList>(&reading.result);
    ASSERT_NE(list, nullptr) << path;
    EXPECT_EQ(list->parsed, expected) << path;
  }
  EXPECT_EQ(readImport(dir / "missing.yaml", LocalFileSystem()).result,
            ForeignListResult(ReplacementParseError::unreadable));
}

}  // namespace
}  // namespace marlinet
