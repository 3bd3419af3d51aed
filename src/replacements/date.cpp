#include "replacements/date.h"

namespace marlinet {

Date Date::now() { return fromSystemClock(std::chrono::system_clock::now()); }

Date Date::fromSystemClock(std::chrono::system_clock::time_point time) {
  const std::chrono::duration<double> sinceEpoch = time.time_since_epoch();
  return Date{sinceEpoch.count() - referenceDateUnixSeconds};
}

}  // namespace marlinet
