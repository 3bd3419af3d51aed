#include "engine/key_event.h"

#include <algorithm>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

bool isControlOrFunctionKeyScalar(char32_t c) {
  return c <= 0x1F || c == 0x7F || (c >= 0xF700 && c <= 0xF8FF);
}

bool hasControlOrFunctionKeyScalar(std::string_view text) {
  for (unsigned char byte : text) {
    // Only lead bytes that can start a C0 control, DEL or U+F7xx/U+F8xx matter.
    if (byte <= 0x1F || byte == 0x7F || byte == 0xEF) {
      for (char32_t c : unicode::scalars(text)) {
        if (isControlOrFunctionKeyScalar(c)) return true;
      }
      return false;
    }
  }
  return false;
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
  if (hasControlOrFunctionKeyScalar(characters)) return TypedInput::reset();
  return TypedInput::typed(characters);
}

}  // namespace marlinet
