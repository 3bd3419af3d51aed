#include "simulation/simulated_event.h"

#include <algorithm>

namespace marlinet::simulation {

std::int64_t SimulatedRawEvent::integerField(std::uint32_t field) const {
  if (field == rawEventField::sourceUserData) return event_.userData;
  if (field == rawEventField::keyboardKeycode) return event_.keyCode;
  return 0;
}

std::size_t SimulatedRawEvent::unicodeString(char16_t* units, std::size_t capacity) const {
  std::copy_n(event_.unicode.begin(), std::min(capacity, event_.unicode.size()), units);
  return event_.unicode.size();
}

}  // namespace marlinet::simulation
