#pragma once

#include <string_view>

#include "platform/input_source_info.h"

namespace marlinet {

// Types of the input sources the input-method frameworks report, short
// enough to copy without allocating; plain keyboard layouts from either take
// `keyboardLayoutType` instead.
inline constexpr std::string_view ibusEngineType = "ibus-engine";
inline constexpr std::string_view fcitxInputMethodType = "fcitx-im";

// The input source for an IBus engine ("xkb:us::eng", "hangul", "libpinyin")
// and the language its description gives ("ko", "zh_CN", "other" or empty).
InputSourceInfo ibusEngineSource(std::string_view engineName, std::string_view language);

// The input source for a Fcitx 5 input method ("keyboard-us", "pinyin",
// "mozc") and its language code.
InputSourceInfo fcitxInputMethodSource(std::string_view inputMethodName, std::string_view languageCode);

}  // namespace marlinet
