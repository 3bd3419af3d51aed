#include "simulation/text_field.h"

#include <algorithm>
#include <vector>

#include "engine/key_event.h"
#include "engine/unicode_text.h"

namespace marlinet::simulation {

void TextField::apply(const SimulatedEvent& event) {
  if (event.type != rawEventType::keyDown) return;
  const bool command = (event.flags & rawEventFlag::command) != 0;
  const bool control = (event.flags & rawEventFlag::control) != 0;
  if (command && event.keyCode == keycode::v) {
    text_ += pasteText_();
    return;
  }
  if (command || control) return;
  switch (event.keyCode) {
    case keycode::deleteKey:
      eraseLastCharacter();
      return;
    case keycode::returnKey:
    case keycode::keypadEnter:
      text_ += '\n';
      return;
    case keycode::tab:
      if ((event.flags & rawEventFlag::shift) == 0) text_ += '\t';
      return;
    default:
      break;
  }
  if (std::find(clearingKeyCodes.begin(), clearingKeyCodes.end(), event.keyCode) != clearingKeyCodes.end()) return;
  text_ += unicode::fromUtf16(event.unicode);
}

void TextField::eraseLastCharacter() {
  std::vector<std::size_t> bounds;
  unicode::characterBoundaries(text_, bounds);
  if (bounds.size() >= 2) text_.resize(bounds[bounds.size() - 2]);
}

}  // namespace marlinet::simulation
