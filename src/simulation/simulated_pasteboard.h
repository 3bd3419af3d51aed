#pragma once

#include <functional>
#include <string_view>

#include "platform/pasteboard_access.h"

namespace marlinet::simulation {

// An in-memory pasteboard with a change counter. Every change is reported to
// `onChange` with what it was ("write", "restore" or "copy") and the items
// afterwards.
class SimulatedPasteboard final : public PasteboardAccess {
 public:
  static constexpr std::string_view plainTextType = "public.utf8-plain-text";

  std::int64_t changeCount() const override { return changeCount_; }
  std::vector<PasteboardItemSnapshot> snapshotItems() const override { return items_; }
  std::int64_t writeText(const std::string& text) override;
  void restoreItems(const std::vector<PasteboardItemSnapshot>& items) override;

  // The user (or another program) puts these items on the pasteboard.
  void copy(std::vector<PasteboardItemSnapshot> items);

  const std::vector<PasteboardItemSnapshot>& items() const { return items_; }
  // The first item's plain text, as a paste inserts it.
  std::string plainText() const;

  std::function<void(std::string_view action, const std::vector<PasteboardItemSnapshot>& items)> onChange;

 private:
  void changed(std::string_view action);

  std::int64_t changeCount_ = 0;
  std::vector<PasteboardItemSnapshot> items_;
};

}  // namespace marlinet::simulation
