#pragma once

#include <X11/Xlib.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace marlinet::x11 {

struct XkbContextUnref {
  void operator()(xkb_context* c) const noexcept { xkb_context_unref(c); }
};
struct XkbKeymapUnref {
  void operator()(xkb_keymap* k) const noexcept { xkb_keymap_unref(k); }
};
struct XkbStateUnref {
  void operator()(xkb_state* s) const noexcept { xkb_state_unref(s); }
};

// The core keyboard's keymap as xkbcommon reads it from the server: what a
// key types under given modifiers, which key types a character, and which
// keys can end a shortcut. Rebuilt whenever the server's keymap changes.
class KeyboardMap {
 public:
  // How to type one character: the key and the X modifiers to hold.
  struct Stroke {
    std::uint8_t keycode = 0;
    std::uint32_t modifiers = 0;
  };

  // Null when the server has no usable XKB. `lockedModifiers` seeds the
  // user's lock state (Caps Lock, Num Lock).
  static std::unique_ptr<KeyboardMap> load(::Display* display, std::uint32_t lockedModifiers = 0);

  // The text a press of `keycode` types under the X modifier state and group,
  // into `out` (no allocation for short texts).
  void text(std::uint8_t keycode, std::uint32_t modifiers, std::uint32_t group, std::string& out) const;
  // The key's keysym without modifiers in the first group.
  xkb_keysym_t baseKeysym(std::uint8_t keycode) const;
  bool isModifierKey(std::uint8_t keycode) const;
  // The X modifier bit a key sets (Shift, Control, Alt, Super, AltGr), or 0.
  std::uint32_t modifierOfKey(std::uint8_t keycode) const { return modifierOfKey_[keycode]; }
  // The key and modifiers that type `character` in `group`, if any.
  std::optional<Stroke> stroke(char32_t character, std::uint32_t group) const;
  std::optional<std::uint8_t> keyForKeysym(xkb_keysym_t keysym) const;
  // A key that sets the X modifier bit `modifier` (Shift, Control, Alt,
  // Super, AltGr), if the keymap has one.
  std::optional<std::uint8_t> modifierKey(std::uint32_t modifier) const;
  // Keys that type a shortcut's delimiter (or Return, Enter, Tab) without a
  // chord modifier: the keys whose presses must be grabbed.
  const std::vector<std::uint8_t>& delimiterKeys() const { return delimiterKeys_; }
  // The typing combinations (xmod::typingCombination) in which `keycode`
  // types a delimiter in some group, one bit each: Shift with a period types
  // none, and its presses need not come to us.
  std::uint16_t delimiterCombinations(std::uint8_t keycode) const { return delimiterCombinations_[keycode]; }
  std::string layoutName(std::uint32_t group) const;

  // The user's own modifier state, followed from the physical keys alone:
  // the server's state also changes with every modifier and lock we post.
  void userKey(std::uint8_t keycode, bool press);
  std::uint32_t userModifiers() const;
  std::uint32_t userLocks() const;
  // The whole keymap as text, to tell a real change from a repeated notice.
  std::string description() const;

 private:
  std::uint32_t xModifiers(xkb_mod_mask_t mask) const;
  KeyboardMap() = default;
  xkb_mod_mask_t xkbMask(std::uint32_t xModifiers) const;
  void index();

  std::unique_ptr<xkb_context, XkbContextUnref> context_;
  std::unique_ptr<xkb_keymap, XkbKeymapUnref> keymap_;
  // Scratch state for lookups: set to each event's modifiers in turn.
  std::unique_ptr<xkb_state, XkbStateUnref> scratch_;
  std::unique_ptr<xkb_state, XkbStateUnref> user_;
  std::array<xkb_mod_index_t, 8> realModifierIndex_{};
  std::vector<std::unordered_map<char32_t, Stroke>> strokes_;  // per group
  std::array<std::uint8_t, 8> modifierKeys_{};                 // per X modifier bit; 0 = none
  std::vector<std::uint8_t> delimiterKeys_;
  std::array<std::uint16_t, 256> delimiterCombinations_{};
  std::array<bool, 256> isModifier_{};
  std::array<std::uint32_t, 256> modifierOfKey_{};
};

}  // namespace marlinet::x11
