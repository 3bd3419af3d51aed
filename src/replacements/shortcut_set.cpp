#include "replacements/shortcut_set.h"

#include <functional>

namespace marlinet {

ShortcutSet::ShortcutSet(std::size_t expected) {
  std::size_t capacity = 16;
  while (capacity / 2 < expected) capacity *= 2;  // at most half full: probes stay short
  slots_.resize(capacity);
}

bool ShortcutSet::insert(std::string_view shortcut) {
  if (shortcut.data() == nullptr) shortcut = std::string_view("", 0);  // keep "no data" for free slots
  if ((count_ + 1) * 2 > slots_.size()) grow();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = std::hash<std::string_view>{}(shortcut) & mask;; i = (i + 1) & mask) {
    if (slots_[i].data() == nullptr) {
      slots_[i] = shortcut;
      ++count_;
      return true;
    }
    if (slots_[i] == shortcut) return false;
  }
}

void ShortcutSet::grow() {
  std::vector<std::string_view> old(slots_.size() * 2);
  old.swap(slots_);
  count_ = 0;
  for (const std::string_view shortcut : old) {
    if (shortcut.data() != nullptr) insert(shortcut);
  }
}

}  // namespace marlinet
