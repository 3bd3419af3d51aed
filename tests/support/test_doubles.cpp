#include "test_doubles.h"

#include <algorithm>

namespace marlinet::testing {

int capturedID(const std::shared_ptr<const CapturedEvent>& event) {
  const auto* fake = dynamic_cast<const FakeCapturedEvent*>(event.get());
  return fake == nullptr ? -1 : fake->id;
}

KeyEvent userKey(Phase phase, std::uint16_t keyCode, std::string characters, int capturedNumber,
                 KeyModifiers modifiers) {
  KeyEvent event;
  event.phase = phase;
  event.keyCode = keyCode;
  event.modifiers = modifiers;
  event.characters = std::move(characters);
  if (capturedNumber >= 0) event.original = std::make_shared<FakeCapturedEvent>(capturedNumber);
  return event;
}

void ManualTime::advance(double seconds) {
  const TimePoint target = now_ + simulation::toDuration(seconds);
  while (auto due = scheduler_.takeDue(target)) {
    now_ = std::max(now_, due->first);
    due->second();
  }
  now_ = target;
}

void RecordingEventPosting::record(Posted event) {
  posted.push_back(event);
  if (onPost) onPost(event);
}

void RecordingEventPosting::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
  record({Posted::Kind::key, keyCode, down, flags, {}, nullptr});
}

void RecordingEventPosting::postText(const std::string& text) {
  if (text.empty()) return;
  record({Posted::Kind::text, 0, true, 0, text, nullptr});
}

std::optional<std::uint16_t> RecordingEventPosting::keyCode(const std::string& character) {
  const auto found = layout.find(character);
  if (found == layout.end()) return std::nullopt;
  return found->second;
}

void RecordingEventPosting::repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) {
  if (event) record({Posted::Kind::own, 0, false, 0, {}, event});
}

void RecordingEventPosting::repostAsUser(const std::shared_ptr<const CapturedEvent>& event) {
  if (event) record({Posted::Kind::user, 0, false, 0, {}, event});
}

PasteboardBytes bytes(const std::string& text) { return PasteboardBytes(text.begin(), text.end()); }

void copyText(simulation::SimulatedPasteboard& pasteboard, const std::string& text) {
  pasteboard.copy({PasteboardItemSnapshot{{std::string(simulation::SimulatedPasteboard::plainTextType), bytes(text)}}});
}

}  // namespace marlinet::testing
