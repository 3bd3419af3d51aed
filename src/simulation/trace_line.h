#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace marlinet::simulation {

// Writes one compact JSON object per trace line, member by member, into a
// buffer it keeps between lines: the lines written for every key event cost
// no document tree and, once the buffer has grown, no allocation. The output
// is exactly what nlohmann::json's compact dump (invalid UTF-8 replaced)
// writes for the same members in the same order.
class TraceLine final {
 public:
  // Starts a line with its time and kind.
  TraceLine& begin(double seconds, std::string_view kind);
  TraceLine& text(std::string_view name, std::string_view value);
  TraceLine& number(std::string_view name, std::uint64_t value);
  TraceLine& boolean(std::string_view name, bool value);
  // Closes the line and writes it.
  void writeTo(std::ostream& out);

 private:
  void key(std::string_view name);

  std::string line_;
  // Consecutive lines mostly share their time; its text is kept for the next.
  double lastSeconds_ = -1;
  std::string lastSecondsText_;
};

}  // namespace marlinet::simulation
