#include "simulation/trace_line.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace marlinet::simulation {
namespace {

// Trace lines stay byte for byte what the JSON library writes for the same
// members, for every time and text a key event can carry.
TEST(TraceLineTest, WritesWhatTheJsonLibraryWrites) {
  const double times[] = {0, 0.1, 0.30000000000000004, 2, 1e-7, 123456.789, 1e17};
  const std::string texts[] = {"",       "a",           "\"\\/",         "\b\f\n\r\t", std::string("\x00\x01\x1f", 3),
                               "\x7f",   "é\U0001F600", "\xff\xfe",      "a\xc3",     "\xed\xa0\x80",
                               "\xc0\xaf", "\xf4\x90\x80\x80"};
  TraceLine line;
  for (const double t : times) {
    for (const std::string& text : texts) {
      std::ostringstream written;
      line.begin(t, "deliver").text("characters", text).number("flags", 1u << 20).boolean("synthetic", true);
      line.writeTo(written);
      const nlohmann::ordered_json expected{
          {"t", t}, {"kind", "deliver"}, {"characters", text}, {"flags", 1u << 20}, {"synthetic", true}};
      EXPECT_EQ(written.str(),
                expected.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n")
          << t << " " << text;
    }
  }
}

}  // namespace
}  // namespace marlinet::simulation
