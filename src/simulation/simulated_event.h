#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/key_event.h"
#include "platform/tap_event_translation.h"

namespace marlinet::simulation {

// The simulated desktop's native event: what a keyboard or mouse event
// carries on its way through the tap to the text field.
struct SimulatedEvent final : CapturedEvent {
  std::int32_t type = rawEventType::keyDown;
  std::uint16_t keyCode = 0;
  std::uint64_t flags = 0;
  std::int64_t userData = 0;
  std::u16string unicode;

  bool isKey() const { return type == rawEventType::keyDown || type == rawEventType::keyUp; }
};

// Shows a SimulatedEvent to the tap.
class SimulatedRawEvent final : public RawTapEvent {
 public:
  explicit SimulatedRawEvent(const SimulatedEvent& event) : event_(event) {}
  std::int32_t type() const override { return event_.type; }
  std::int64_t integerField(std::uint32_t field) const override;
  std::uint64_t flags() const override { return event_.flags; }
  std::size_t unicodeString(char16_t* units, std::size_t capacity) const override;
  std::shared_ptr<const CapturedEvent> copy() const override { return std::make_shared<SimulatedEvent>(event_); }

 private:
  const SimulatedEvent& event_;
};

}  // namespace marlinet::simulation
