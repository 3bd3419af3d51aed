#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace marlinet {

// The `marlinet` command: `check` and `simulate`. Answers the exit status.
int runCommandLine(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                   std::ostream& err);

}  // namespace marlinet
