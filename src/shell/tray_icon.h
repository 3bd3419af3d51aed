#pragma once

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <array>

#include "app/content/status_menu_controller.h"

namespace marlinet::shell {

// Marlinet's icon on the desktop's panel and its menu. It draws what the
// status menu controller decides and hands it the row the user chooses.
// Needs a QApplication.
class TrayIcon final {
 public:
  // The icon draws the dimmed look itself, then calls `hooks.setIconDimmed` if set.
  explicit TrayIcon(StatusMenuHooks hooks);
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  ~TrayIcon();

  // Puts the icon on the panel, now or as soon as a tray appears.
  void show() { item_.show(); }
  // The model changed: the dimmed look may have too.
  void refresh() { controller_.refreshIcon(); }

  QMenu& menu() { return menu_; }
  const QSystemTrayIcon& item() const { return item_; }

 private:
  StatusMenuHooks drawingDimmedLook(StatusMenuHooks hooks);
  void drawIcon(bool dimmed);
  void rebuildMenu();

  QMenu menu_;
  QSystemTrayIcon item_;
  // Rendered on first use: [for a dark panel][dimmed].
  std::array<QIcon, 4> icons_;
  int shownIcon_ = -1;
  // Last: constructing it draws the icon.
  StatusMenuController controller_;
};

}  // namespace marlinet::shell
