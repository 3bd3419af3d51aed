#include "engine/key_event.h"

#include <algorithm>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

// Controls, DEL and the private-use range in which function and navigation
// keys report themselves.
bool isControlOrFunctionKeyScalar(char32_t c) {
  return c <= 0x1F || c == 0x7F || (c >= 0xF700 && c <= 0xF8FF);
}

}  // namespace

TypedInput KeyEvent::typedInput() const {
  if (modifiers.contains(KeyModifiers::control) || modifiers.contains(KeyModifiers::command)) {
    return TypedInput::reset();
  }
  if (keyCode == keycode::returnKey || keyCode == keycode::keypadEnter) return TypedInput::typed("\r");
  if (keyCode == keycode::tab) {
    return modifiers.contains(KeyModifiers::shift) ? TypedInput::reset() : TypedInput::typed("\t");
  }
  if (keyCode == keycode::deleteKey) {
    return modifiers.contains(KeyModifiers::option) ? TypedInput::reset() : TypedInput::deleteBackward();
  }
  if (std::find(clearingKeyCodes.begin(), clearingKeyCodes.end(), keyCode) != clearingKeyCodes.end()) {
    return TypedInput::reset();
  }
  if (characters.empty()) return TypedInput::typed({});
  if (unicode::anyScalar(characters, &isControlOrFunctionKeyScalar)) return TypedInput::reset();
  return TypedInput::typed(characters);
}

}  // namespace marlinet
