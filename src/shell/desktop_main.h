#pragma once

#include <iosfwd>

namespace marlinet::shell {

// Runs Marlinet on the X display named by $DISPLAY until SIGTERM or SIGINT;
// answers the exit status (1 when there is no X display to run on).
int runDesktop(int argc, char** argv, std::ostream& errors);

}  // namespace marlinet::shell
