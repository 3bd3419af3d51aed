#include "platform/input_source_info.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

TEST(InputSourceInfo, ComposingFollowsTheFirstLanguageElseTheIdentifier) {
  const std::string mode = "TISTypeKeyboardInputMode";
  const std::pair<InputSourceInfo, bool> cases[] = {
      {{"com.apple.keylayout.2SetKorean", "TISTypeKeyboardLayout", {"ko"}}, false},  // layouts never compose
      {{"com.apple.inputmethod.TCIM", mode, {"zh-Hant", "en"}}, true},
      {{"com.apple.inputmethod.VietnameseIM", mode, {"vi"}}, false},
      {{"x", mode, {"ZH"}}, false},  // language tags are case-sensitive
      {{"x", mode, {"-ja"}}, true},
      {{"x", mode, {"en", "ja"}}, false},
      {{"com.apple.inputmethod.Korean", mode, {"en"}}, false},  // a language silences the identifier
      {{"com.apple.inputmethod.Kotoeri.RomajiTyping", mode, {}}, true},
      {{"COM.GOOGLE.INPUTMETHOD.Japanese", mode, {}}, true},
      {{"com.example.hangul", mode, {"--"}}, false},
      {{"com.example.pinyin", mode, {""}}, false},
      {{"", "", {}}, false},
  };
  for (const auto& [source, composing] : cases) {
    EXPECT_EQ(source.isComposing(), composing) << source.id << " " << ::testing::PrintToString(source.languages);
  }
}

}  // namespace
}  // namespace marlinet
