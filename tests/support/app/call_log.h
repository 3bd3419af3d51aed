#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace marlinet::testing {

// One line per system call, shared by the fakes, so that tests can check the
// order in which the application reached the system.
struct CallLog {
  std::vector<std::string> entries;

  void add(std::string entry) { entries.push_back(std::move(entry)); }
  void clear() { entries.clear(); }
  // Position of the first `entry`, or -1.
  long indexOf(const std::string& entry) const {
    const auto found = std::find(entries.begin(), entries.end(), entry);
    return found == entries.end() ? -1 : found - entries.begin();
  }
};

}  // namespace marlinet::testing
