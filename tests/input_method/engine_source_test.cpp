#include "input_method/engine_source.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

TEST(EngineSource, LayoutsNeverComposeOtherEnginesByTheirLanguage) {
  struct Case {
    InputSourceInfo (*source)(std::string_view, std::string_view);
    const char* name;
    const char* language;
    bool composing;
  };
  const Case cases[] = {
      {ibusEngineSource, "xkb:us::eng", "en", false},
      {ibusEngineSource, "xkb:jp::jpn", "ja", false},  // a Japanese layout types plain keys
      {ibusEngineSource, "hangul", "ko", true},
      {ibusEngineSource, "libpinyin", "zh_CN", true},
      {ibusEngineSource, "table:cangjie5", "zh_HK.UTF-8", true},
      {ibusEngineSource, "m17n:hi:inscript", "hi", false},
      {ibusEngineSource, "pinyin", "other", true},  // no language: the name decides
      {ibusEngineSource, "m17n:t:rfc1345", "other", false},
      {fcitxInputMethodSource, "keyboard-jp", "ja", false},
      {fcitxInputMethodSource, "pinyin", "zh_CN", true},
      {fcitxInputMethodSource, "unikey", "vi", false},
      {fcitxInputMethodSource, "wubi", "", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.source(c.name, c.language).isComposing(), c.composing) << c.name << " " << c.language;
  }
}

}  // namespace
}  // namespace marlinet
