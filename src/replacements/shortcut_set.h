#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace marlinet {

// The shortcuts seen so far while a list of thousands is cleaned or merged,
// to drop repeats. One flat open-addressed table instead of a node per entry:
// the reload runs each time the status menu opens. Holds views, so the texts
// must outlive the set.
class ShortcutSet final {
 public:
  explicit ShortcutSet(std::size_t expected = 0);

  // Adds `shortcut`; false when it was there already.
  bool insert(std::string_view shortcut);
  std::size_t size() const { return count_; }

 private:
  void grow();

  std::vector<std::string_view> slots_;  // a view without data is a free slot
  std::size_t count_ = 0;
};

}  // namespace marlinet
