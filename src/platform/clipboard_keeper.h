#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/pasteboard_access.h"

namespace marlinet {

// Owns the save-and-restore cycle around a pasted phrase: the user's content
// survives any number of quick successive pastes, and a copy made in the
// meantime is never overwritten by the restore.
class ClipboardKeeper final {
 public:
  struct Pending {
    std::vector<PasteboardItemSnapshot> saved;
    std::int64_t changeCountAfterWrite = 0;
    std::int64_t generation = 0;
  };

  explicit ClipboardKeeper(PasteboardAccess& pasteboard) : pasteboard_(pasteboard) {}

  // Puts `text` on the pasteboard as its only content, saving what the user
  // had first; answers the generation of this write.
  std::int64_t writeText(const std::string& text);

  // Gives the saved content back if `generation` is still the latest write and
  // nobody has changed the pasteboard since.
  void restore(std::int64_t generation);

  const std::optional<Pending>& pending() const { return pending_; }
  std::int64_t generation() const { return generation_; }

 private:
  PasteboardAccess& pasteboard_;
  std::optional<Pending> pending_;
  std::int64_t generation_ = 0;
};

}  // namespace marlinet
