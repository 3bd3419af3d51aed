#pragma once

#include <chrono>
#include <compare>

namespace marlinet {

// A moment in time as seconds since 2001-01-01 00:00:00 UTC, kept as a
// double so that a stored date reads back bit for bit.
struct Date {
  double secondsSinceReferenceDate = 0;

  // Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
  static constexpr double referenceDateUnixSeconds = 978307200.0;

  static Date now();
  static Date fromSystemClock(std::chrono::system_clock::time_point time);

  friend bool operator==(const Date&, const Date&) = default;
  friend auto operator<=>(const Date&, const Date&) = default;
};

}  // namespace marlinet
