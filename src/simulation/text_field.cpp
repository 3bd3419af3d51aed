#include "simulation/text_field.h"

#include <algorithm>

#include "engine/key_event.h"
#include "engine/unicode_text.h"

namespace marlinet::simulation {
namespace {

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

void TextField::apply(const SimulatedEvent& event) {
  if (event.type != rawEventType::keyDown) return;
  const bool command = (event.flags & rawEventFlag::command) != 0;
  const bool control = (event.flags & rawEventFlag::control) != 0;
  if (command && event.keyCode == keycode::v) {
    append(pasteText_());
    return;
  }
  if (command || control) return;
  switch (event.keyCode) {
    case keycode::deleteKey:
      eraseLastCharacter();
      return;
    case keycode::returnKey:
    case keycode::keypadEnter:
      append("\n");
      return;
    case keycode::tab:
      if ((event.flags & rawEventFlag::shift) == 0) append("\t");
      return;
    default:
      break;
  }
  if (std::find(clearingKeyCodes.begin(), clearingKeyCodes.end(), event.keyCode) != clearingKeyCodes.end()) return;
  append(unicode::fromUtf16(event.unicode));
}

void TextField::append(std::string_view added) {
  if (added.empty()) return;
  // The last character may absorb what follows (a combining mark, CR then
  // LF, a joined emoji), so segmentation starts again where it starts.
  const std::size_t from = starts_.empty() ? 0 : starts_.back();
  if (!starts_.empty()) starts_.pop_back();
  text_ += added;
  const std::string_view tail = std::string_view(text_).substr(from);
  if (isAscii(tail)) {
    // In ASCII only CR LF forms a character of more than one byte.
    for (std::size_t i = from; i < text_.size(); ++i) {
      if (i == from || text_[i] != '\n' || text_[i - 1] != '\r') starts_.push_back(i);
    }
    return;
  }
  unicode::characterBoundaries(tail, scratch_);
  for (std::size_t i = 0; i + 1 < scratch_.size(); ++i) starts_.push_back(from + scratch_[i]);
}

void TextField::eraseLastCharacter() {
  if (starts_.empty()) return;
  text_.resize(starts_.back());
  starts_.pop_back();
}

}  // namespace marlinet::simulation
