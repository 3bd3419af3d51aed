#pragma once

#include <istream>
#include <ostream>

#include "simulation/simulated_desktop.h"

namespace marlinet::simulation {

// Runs a JSON Lines script against `desktop`, one command per line; blank
// lines and lines starting with '#' are skipped. Answers 0 after the last
// command (with the closing trace line written), or 2 when a line is
// malformed: the run stops there and `errors` names the line.
int runScript(std::istream& script, SimulatedDesktop& desktop, std::ostream& errors);

}  // namespace marlinet::simulation
