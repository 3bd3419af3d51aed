#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace marlinet {

// The current keyboard input source as the gate needs it.
struct InputSourceInfo {
  std::string id;
  std::string type;
  std::vector<std::string> languages;

  // Whether this source composes text (an input method for Korean, Japanese,
  // Chinese or Cantonese), during which expansion must hold off.
  bool isComposing() const;

  friend bool operator==(const InputSourceInfo&, const InputSourceInfo&) = default;
};

inline constexpr std::string_view keyboardLayoutType = "TISTypeKeyboardLayout";
inline constexpr std::array<std::string_view, 4> composingLanguages{"ko", "ja", "zh", "yue"};
inline constexpr std::array<std::string_view, 13> composingIDFragments{
    "korean", "hangul", "kotoeri", "japanese", "scim", "tcim", "chinese",
    "pinyin", "zhuyin", "wubi", "cangjie", "atok", "google.inputmethod"};

}  // namespace marlinet
