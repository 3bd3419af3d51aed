#pragma once

#include <QMetaObject>
#include <QPointer>
#include <cstdint>

#include "platform/pasteboard_access.h"

class QClipboard;
class QMimeData;

namespace marlinet::shell {

// The desktop clipboard (the X CLIPBOARD selection) through Qt. Qt's X
// backend speaks the selection protocol; this class adds the change count the
// clipboard keeper compares and the markers that keep pasted phrases out of
// clipboard histories. Lives on the GUI thread; needs a QGuiApplication.
class QtPasteboard final : public PasteboardAccess {
 public:
  QtPasteboard();
  QtPasteboard(const QtPasteboard&) = delete;
  QtPasteboard& operator=(const QtPasteboard&) = delete;
  ~QtPasteboard() override;

  std::int64_t changeCount() const override;
  // Blocks on one selection round trip per format while another client owns
  // the clipboard. Runs Qt's queued non-input events first when Qt has not
  // yet handled a copy made elsewhere.
  std::vector<PasteboardItemSnapshot> snapshotItems() const override;
  // When the server refuses Qt's ownership (a copy elsewhere Qt has not yet
  // handled), runs Qt's queued non-input events once and writes again.
  std::int64_t writeText(const std::string& text) override;
  void restoreItems(const std::vector<PasteboardItemSnapshot>& items) override;

 private:
  void publish(QMimeData* data);
  void setOwned(QMimeData* data);
  void onDataChanged();
  bool stillOwnsSelection() const;

  QClipboard& clipboard_;
  QMetaObject::Connection watch_;
  // Mutable: a lost selection found by a reader counts as a change.
  mutable std::int64_t changeCount_ = 0;
  // The count our last write answered, while nothing newer is known.
  mutable std::int64_t ownWriteCount_ = -1;
  QPointer<QMimeData> ownData_;
  std::uint32_t clipboardAtom_ = 0;  // 0 when not on X11
  bool publishing_ = false;
};

}  // namespace marlinet::shell
