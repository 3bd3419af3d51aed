#include "shell/qt_pasteboard.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "shell/qt_scheduler.h"

namespace marlinet::shell {
namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};

xcb_connection_t* x11Connection() {
  const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// Formats Qt lists that are not the owner's data and must not be set back:
// - the selection protocol's own targets, which Qt lists like any other
//   target of a foreign owner (it answers them itself when it owns);
// - "application/x-qt-image", which Qt adds beside any image target and fills
//   with its decoded QImage: set back as bytes it would make Qt offer every
//   image encoding of an empty image. The owner's own image/* bytes are kept;
// - "image/ppm", Qt's name for the PIXMAP target, whose bytes are the id of a
//   pixmap on the server, not an image: offered back it would hand out the id
//   of another client's pixmap, which may be gone.
bool isDerivedFormat(const QString& format) {
  static constexpr std::array<std::string_view, 10> derived{
      "TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE", "INSERT_SELECTION", "INSERT_PROPERTY",
      "LENGTH", "application/x-qt-image", "image/ppm"};
  const QByteArray name = format.toLatin1();
  for (std::string_view d : derived) {
    if (name == QByteArray::fromRawData(d.data(), static_cast<qsizetype>(d.size()))) return true;
  }
  return false;
}

// Qt's own X events only: no timers (no other step of ours runs inside this
// one) and no socket notifiers (the keyboard tap's connection is not read in
// the middle of an expansion).
void handleQueuedWindowSystemEvents() {
  const QtScheduler::NestedLoop nested;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers |
                                  QEventLoop::ExcludeSocketNotifiers);
}

QByteArray asBytes(const std::string_view data) {
  return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

}  // namespace

QtPasteboard::QtPasteboard() : clipboard_(*QGuiApplication::clipboard()) {
  watch_ = QObject::connect(&clipboard_, &QClipboard::dataChanged, [this] { onDataChanged(); });
  if (xcb_connection_t* connection = x11Connection()) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, 9, "CLIPBOARD");
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr));
    if (reply) clipboardAtom_ = reply->atom;
  }
}

QtPasteboard::~QtPasteboard() { QObject::disconnect(watch_); }

void QtPasteboard::onDataChanged() {
  if (publishing_) return;  // counted where we write
  // A backend that signals our own write later: still the same write.
  if (ownData_ && clipboard_.ownsClipboard() && clipboard_.mimeData() == ownData_.data()) return;
  ++changeCount_;
}

bool QtPasteboard::stillOwnsSelection() const {
  xcb_connection_t* connection = x11Connection();
  if (!connection || clipboardAtom_ == 0) return true;  // not X11: the change signal is all there is
  const xcb_get_selection_owner_cookie_t cookie = xcb_get_selection_owner(connection, clipboardAtom_);
  const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeReply> reply(
      xcb_get_selection_owner_reply(connection, cookie, nullptr));
  if (!reply) return true;
  // Qt's selection window was made on its connection: its id carries our resource base.
  const xcb_setup_t* setup = xcb_get_setup(connection);
  return reply->owner != XCB_NONE && (reply->owner & ~setup->resource_id_mask) == setup->resource_id_base;
}

std::int64_t QtPasteboard::changeCount() const {
  // Qt learns of a foreign copy from an XFixes event the event loop has not
  // necessarily handled yet; a copy made just before a restore must still win.
  if (ownWriteCount_ == changeCount_ && !stillOwnsSelection()) ++changeCount_;
  return changeCount_;
}

std::vector<PasteboardItemSnapshot> QtPasteboard::snapshotItems() const {
  if (clipboard_.ownsClipboard() && !stillOwnsSelection()) {
    // Qt has not handled a copy made elsewhere yet and would list the formats
    // it cached for an earlier owner: let it handle its queued X events (no
    // timers, no input) first.
    handleQueuedWindowSystemEvents();
  }
  const QMimeData* data = clipboard_.mimeData(QClipboard::Clipboard);
  if (!data) return {};
  PasteboardItemSnapshot item;
  for (const QString& format : data->formats()) {
    if (isDerivedFormat(format)) continue;
    const QByteArray bytes = data->data(format);
    // Qt answers a refused conversion with nothing; offering it back empty
    // would make paste targets read an empty image or text.
    if (bytes.isEmpty()) continue;
    item.emplace(format.toStdString(), PasteboardBytes(bytes.begin(), bytes.end()));
  }
  if (item.empty()) return {};
  return {std::move(item)};
}

std::int64_t QtPasteboard::writeText(const std::string& text) {
  auto* data = new QMimeData;  // the clipboard takes ownership
  data->setData(QStringLiteral("text/plain"), asBytes(text));
  // Klipper and the managers that follow it keep no history of "secret" data.
  data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
  for (std::string_view marker : {pasteboardType::transient, pasteboardType::concealed, pasteboardType::autoGenerated}) {
    data->setData(QString::fromLatin1(asBytes(marker)), QByteArray());
  }
  publish(data);
  return changeCount_;
}

void QtPasteboard::restoreItems(const std::vector<PasteboardItemSnapshot>& items) {
  if (items.empty()) {  // the user had nothing: leave nothing
    publishing_ = true;
    clipboard_.clear(QClipboard::Clipboard);
    publishing_ = false;
    ++changeCount_;
    ownWriteCount_ = -1;
    return;
  }
  // The X clipboard holds one item, so only one ever comes from it.
  auto* data = new QMimeData;
  for (const auto& [format, bytes] : items.front()) {
    data->setData(QString::fromStdString(format),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
  }
  publish(data);
}

void QtPasteboard::publish(QMimeData* data) {
  setOwned(data);
  if (stillOwnsSelection()) return;
  // Qt stamps the ownership with the last server time it has handled; a copy
  // made elsewhere whose event is still queued is newer, and the server
  // refuses ours. Let Qt handle its queued X events (no timers, no input) and
  // try once more; if that fails too, changeCount() moves on at its next
  // read, so the keeper restores nothing over the content still there.
  auto* again = new QMimeData;
  for (const QString& format : data->formats()) again->setData(format, data->data(format));
  handleQueuedWindowSystemEvents();
  setOwned(again);
}

void QtPasteboard::setOwned(QMimeData* data) {
  // Qt on X11 signals our own write from inside setMimeData; it is counted
  // once here, whether or not (or whenever) the backend signals it.
  publishing_ = true;
  clipboard_.setMimeData(data, QClipboard::Clipboard);
  publishing_ = false;
  ownData_ = data;
  ++changeCount_;
  ownWriteCount_ = changeCount_;
}

}  // namespace marlinet::shell
