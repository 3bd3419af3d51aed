#include "platform/input_source_info.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

struct SourceCase {
  const char* name;
  InputSourceInfo source;
  bool composing;
};

class ComposingRule : public ::testing::TestWithParam<SourceCase> {};

TEST_P(ComposingRule, Decides) { EXPECT_EQ(GetParam().source.isComposing(), GetParam().composing); }

const std::string mode = "TISTypeKeyboardInputMode";

INSTANTIATE_TEST_SUITE_P(
    Sources, ComposingRule,
    ::testing::Values(
        SourceCase{"korean_layout_never_composes", {"com.apple.keylayout.2SetKorean", "TISTypeKeyboardLayout", {"ko"}},
                   false},
        SourceCase{"chinese_mode_first_language", {"com.apple.inputmethod.TCIM", mode, {"zh-Hant", "en"}}, true},
        SourceCase{"cantonese", {"x", mode, {"yue-Hant"}}, true},
        SourceCase{"vietnamese", {"com.apple.inputmethod.VietnameseIM", mode, {"vi"}}, false},
        SourceCase{"language_is_case_sensitive", {"x", mode, {"ZH"}}, false},
        SourceCase{"leading_dash_dropped", {"x", mode, {"-ja"}}, true},
        SourceCase{"only_first_language_counts", {"x", mode, {"en", "ja"}}, false},
        SourceCase{"language_silences_identifier", {"com.apple.inputmethod.Korean", mode, {"en"}}, false},
        SourceCase{"identifier_when_no_language", {"com.apple.inputmethod.Kotoeri.RomajiTyping", mode, {}}, true},
        SourceCase{"identifier_any_case", {"COM.GOOGLE.INPUTMETHOD.Japanese", mode, {}}, true},
        SourceCase{"all_dashes_tag", {"com.example.hangul", mode, {"--"}}, false},
        SourceCase{"empty_tag_falls_to_false", {"com.example.pinyin", mode, {""}}, false},
        SourceCase{"nothing_known", {"", "", {}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marlinet
