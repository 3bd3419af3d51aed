#include "x11/key_translation.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <array>

#include "platform/tap_event_translation.h"

namespace marlinet::x11 {
namespace {

struct KeyPair {
  xkb_keysym_t keysym;
  std::uint16_t heartCode;
};

// The keys the heart treats specially; every other key is known by its text.
constexpr std::array<KeyPair, 17> keyTable{{
    {XKB_KEY_Return, keycode::returnKey},
    {XKB_KEY_KP_Enter, keycode::keypadEnter},
    {XKB_KEY_Tab, keycode::tab},
    {XKB_KEY_ISO_Left_Tab, keycode::tab},
    {XKB_KEY_BackSpace, keycode::deleteKey},
    {XKB_KEY_Escape, keycode::escape},
    {XKB_KEY_Delete, 117},
    {XKB_KEY_Left, 123},
    {XKB_KEY_Right, 124},
    {XKB_KEY_Down, 125},
    {XKB_KEY_Up, 126},
    {XKB_KEY_Home, 115},
    {XKB_KEY_End, 119},
    {XKB_KEY_Page_Up, 116},
    {XKB_KEY_Page_Down, 121},
    {XKB_KEY_v, keycode::v},
    {XKB_KEY_V, keycode::v},
}};

}  // namespace

std::uint16_t heartKeyCode(xkb_keysym_t keysym) noexcept {
  for (const KeyPair& pair : keyTable) {
    if (pair.keysym == keysym) return pair.heartCode;
  }
  return noHeartKeyCode;
}

std::optional<xkb_keysym_t> keysymForHeartKeyCode(std::uint16_t keyCode) noexcept {
  for (const KeyPair& pair : keyTable) {
    if (pair.heartCode == keyCode) return pair.keysym;
  }
  return std::nullopt;
}

KeyModifiers heartModifiers(std::uint32_t xState) noexcept {
  KeyModifiers modifiers;
  if (xState & xmod::shift) modifiers.insert(KeyModifiers::shift);
  if (xState & xmod::control) modifiers.insert(KeyModifiers::control);
  if (xState & (xmod::mod1 | xmod::mod4)) modifiers.insert(KeyModifiers::command);
  if (xState & xmod::mod5) modifiers.insert(KeyModifiers::option);
  return modifiers;
}

std::uint32_t xModifiersForFlags(std::uint64_t flags) noexcept {
  std::uint32_t state = 0;
  if (flags & rawEventFlag::shift) state |= xmod::shift;
  if (flags & (rawEventFlag::control | rawEventFlag::command)) state |= xmod::control;
  if (flags & rawEventFlag::alternate) state |= xmod::mod5;
  return state;
}

}  // namespace marlinet::x11
