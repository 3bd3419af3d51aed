#include "platform/clipboard_keeper.h"

#include <utility>

namespace marlinet {

std::int64_t ClipboardKeeper::writeText(const std::string& text) {
  std::vector<PasteboardItemSnapshot> saved;
  if (pending_ && pasteboard_.changeCount() == pending_->changeCountAfterWrite) {
    // The pasteboard still holds our previous phrase, not the user's content.
    saved = std::move(pending_->saved);
  } else {
    saved = pasteboard_.snapshotItems();
  }
  const std::int64_t changeCount = pasteboard_.writeText(text);
  ++generation_;
  pending_ = Pending{std::move(saved), changeCount, generation_};
  return generation_;
}

void ClipboardKeeper::restore(std::int64_t generation) {
  if (!pending_ || pending_->generation != generation) return;  // a later write owns the restore
  Pending taken = std::move(*pending_);
  pending_.reset();
  if (pasteboard_.changeCount() == taken.changeCountAfterWrite) {
    pasteboard_.restoreItems(taken.saved);
  }
  // Otherwise somebody copied something since our write: the newer copy wins.
}

}  // namespace marlinet
