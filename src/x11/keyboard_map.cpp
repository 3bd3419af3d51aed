#include "x11/keyboard_map.h"

#include <X11/Xlib-xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <algorithm>
#include <cstdlib>
#include <bit>
#include <string_view>

#include "engine/expansion_engine.h"
#include "x11/key_translation.h"

namespace marlinet::x11 {
namespace {

constexpr std::array<const char*, 8> realModifierNames{XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_CAPS, XKB_MOD_NAME_CTRL,
                                                       "Mod1",            "Mod2",            "Mod3",
                                                       "Mod4",            "Mod5"};

bool isModifierKeysym(xkb_keysym_t keysym) {
  return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
         (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Last_Group_Lock) || keysym == XKB_KEY_Mode_switch ||
         keysym == XKB_KEY_Num_Lock;
}

bool endsShortcut(xkb_keysym_t keysym, char32_t character) {
  if (keysym == XKB_KEY_Return || keysym == XKB_KEY_KP_Enter || keysym == XKB_KEY_Tab ||
      keysym == XKB_KEY_ISO_Left_Tab) {
    return true;
  }
  return character > 0 && character < 0x80 && delimiters.find(static_cast<char>(character)) != std::string_view::npos;
}

// Which X modifier bit the key with this unmodified keysym sets.
std::optional<int> modifierBitOf(xkb_keysym_t keysym) {
  switch (keysym) {
    case XKB_KEY_Shift_L:
    case XKB_KEY_Shift_R:
      return 0;
    case XKB_KEY_Control_L:
    case XKB_KEY_Control_R:
      return 2;
    case XKB_KEY_Alt_L:
    case XKB_KEY_Alt_R:
    case XKB_KEY_Meta_L:
      return 3;
    case XKB_KEY_Super_L:
    case XKB_KEY_Super_R:
      return 6;
    case XKB_KEY_ISO_Level3_Shift:
      return 7;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::unique_ptr<KeyboardMap> KeyboardMap::load(::Display* display, std::uint32_t lockedModifiers) {
  xcb_connection_t* connection = XGetXCBConnection(display);
  if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                   XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
    return nullptr;
  }
  const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
  if (device < 0) return nullptr;
  std::unique_ptr<KeyboardMap> map(new KeyboardMap());
  map->context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!map->context_) return nullptr;
  map->keymap_.reset(
      xkb_x11_keymap_new_from_device(map->context_.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!map->keymap_) return nullptr;
  map->scratch_.reset(xkb_state_new(map->keymap_.get()));
  if (!map->scratch_) return nullptr;
  for (std::size_t bit = 0; bit < realModifierNames.size(); ++bit) {
    map->realModifierIndex_[bit] = xkb_keymap_mod_get_index(map->keymap_.get(), realModifierNames[bit]);
  }
  map->index();
  map->user_.reset(xkb_state_new(map->keymap_.get()));
  if (!map->user_) return nullptr;
  xkb_state_update_mask(map->user_.get(), 0, 0, map->xkbMask(lockedModifiers), 0, 0, 0);
  return map;
}

xkb_mod_mask_t KeyboardMap::xkbMask(std::uint32_t xModifiers) const {
  xkb_mod_mask_t mask = 0;
  for (std::size_t bit = 0; bit < realModifierIndex_.size(); ++bit) {
    if ((xModifiers & (1U << bit)) && realModifierIndex_[bit] != XKB_MOD_INVALID) mask |= 1U << realModifierIndex_[bit];
  }
  return mask;
}

void KeyboardMap::index() {
  xkb_keymap* keymap = keymap_.get();
  xkb_state* state = scratch_.get();
  const xkb_layout_index_t groups = xkb_keymap_num_layouts(keymap);
  strokes_.assign(groups, {});
  // Lower levels first, so each character is typed with the fewest modifiers.
  constexpr std::array<std::uint32_t, 4> levels{0, xmod::shift, xmod::mod5, xmod::shift | xmod::mod5};
  for (xkb_layout_index_t group = 0; group < groups; ++group) {
    for (std::uint32_t modifiers : levels) {
      xkb_state_update_mask(state, xkbMask(modifiers), 0, 0, 0, 0, group);
      for (xkb_keycode_t key = 8; key < 256; ++key) {
        const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state, key);
        if (keysym == XKB_KEY_NoSymbol) continue;
        const char32_t character = xkb_keysym_to_utf32(keysym);
        if (group == 0 && modifiers == 0 && isModifierKeysym(keysym)) {
          isModifier_[key] = true;
          if (const auto bit = modifierBitOf(keysym)) {
            modifierOfKey_[key] = 1U << *bit;
            if (modifierKeys_[static_cast<std::size_t>(*bit)] == 0) {
              modifierKeys_[static_cast<std::size_t>(*bit)] = static_cast<std::uint8_t>(key);
            }
          }
        }
        // Control characters are typed by their keys (Return, Tab), never as text.
        if (character >= 0x20 && character != 0x7F) strokes_[group].try_emplace(character, Stroke{static_cast<std::uint8_t>(key), modifiers});
      }
    }
  }
  // Level three needs a key that selects it; without one those characters cannot be typed.
  if (modifierKeys_[7] == 0) {
    for (auto& table : strokes_) std::erase_if(table, [](const auto& entry) { return entry.second.modifiers & xmod::mod5; });
  }
  delimiterCombinations_.fill(0);
  for (xkb_layout_index_t group = 0; group < groups; ++group) {
    for (std::size_t combination = 0; combination < xmod::typingCombinations; ++combination) {
      xkb_state_update_mask(state, xkbMask(xmod::typingCombinationModifiers(combination)), 0, 0, 0, 0, group);
      for (xkb_keycode_t key = 8; key < 256; ++key) {
        const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state, key);
        if (endsShortcut(keysym, xkb_keysym_to_utf32(keysym))) delimiterCombinations_[key] |= 1U << combination;
      }
    }
  }
  delimiterKeys_.clear();
  for (std::size_t key = 8; key < delimiterCombinations_.size(); ++key) {
    if (delimiterCombinations_[key] != 0) delimiterKeys_.push_back(static_cast<std::uint8_t>(key));
  }
}

void KeyboardMap::text(std::uint8_t keycode, std::uint32_t modifiers, std::uint32_t group, std::string& out) const {
  xkb_state_update_mask(scratch_.get(), xkbMask(modifiers), 0, 0, 0, 0, group);
  char buffer[64];
  const int length = xkb_state_key_get_utf8(scratch_.get(), keycode, buffer, sizeof buffer);
  out.assign(buffer, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof buffer) - 1)));
}

xkb_keysym_t KeyboardMap::baseKeysym(std::uint8_t keycode) const {
  const xkb_keysym_t* syms = nullptr;
  const int count = xkb_keymap_key_get_syms_by_level(keymap_.get(), keycode, 0, 0, &syms);
  return count > 0 ? syms[0] : XKB_KEY_NoSymbol;
}

bool KeyboardMap::isModifierKey(std::uint8_t keycode) const { return isModifier_[keycode]; }

std::optional<KeyboardMap::Stroke> KeyboardMap::stroke(char32_t character, std::uint32_t group) const {
  if (group >= strokes_.size()) return std::nullopt;
  const auto found = strokes_[group].find(character);
  if (found == strokes_[group].end()) return std::nullopt;
  return found->second;
}

std::optional<std::uint8_t> KeyboardMap::keyForKeysym(xkb_keysym_t keysym) const {
  for (xkb_keycode_t key = 8; key < 256; ++key) {
    if (baseKeysym(static_cast<std::uint8_t>(key)) == keysym) return static_cast<std::uint8_t>(key);
  }
  return std::nullopt;
}

std::optional<std::uint8_t> KeyboardMap::modifierKey(std::uint32_t modifier) const {
  const int bit = std::countr_zero(modifier);
  if (bit >= 8 || modifierKeys_[static_cast<std::size_t>(bit)] == 0) return std::nullopt;
  return modifierKeys_[static_cast<std::size_t>(bit)];
}

std::string KeyboardMap::layoutName(std::uint32_t group) const {
  const char* name = xkb_keymap_layout_get_name(keymap_.get(), group);
  return name ? name : "";
}

void KeyboardMap::userKey(std::uint8_t keycode, bool press) {
  xkb_state_update_key(user_.get(), keycode, press ? XKB_KEY_DOWN : XKB_KEY_UP);
}

std::uint32_t KeyboardMap::userModifiers() const {
  return xModifiers(xkb_state_serialize_mods(user_.get(), XKB_STATE_MODS_EFFECTIVE));
}

std::uint32_t KeyboardMap::userLocks() const {
  return xModifiers(xkb_state_serialize_mods(user_.get(), XKB_STATE_MODS_LOCKED));
}

std::uint32_t KeyboardMap::xModifiers(xkb_mod_mask_t mask) const {
  std::uint32_t modifiers = 0;
  for (std::size_t bit = 0; bit < realModifierIndex_.size(); ++bit) {
    if (realModifierIndex_[bit] != XKB_MOD_INVALID && (mask & (1U << realModifierIndex_[bit]))) modifiers |= 1U << bit;
  }
  return modifiers;
}

std::string KeyboardMap::description() const {
  const std::unique_ptr<char, decltype(&std::free)> text(xkb_keymap_get_as_string(keymap_.get(), XKB_KEYMAP_FORMAT_TEXT_V1),
                                                         &std::free);
  return text ? text.get() : "";
}

}  // namespace marlinet::x11
