#pragma once

#include <QString>

#include "app/login_item_service.h"

namespace marlinet::shell {

// "Open at login" on freedesktop desktops: an autostart entry named after the
// application in the user's autostart folder. The user may also switch the
// entry off in the desktop's own settings (Hidden=true or
// X-GNOME-Autostart-enabled=false); it then reads as off.
class XdgAutostart final : public LoginItemService {
 public:
  // `command`: the absolute path of the program to start.
  XdgAutostart(QString directory, QString command);

  // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is unset or not absolute.
  static QString defaultDirectory();

  bool isEnabled() const override;
  // Writes the entry whole or not at all.
  bool enable() override;
  // True when no entry remains.
  bool disable() override;

  QString entryPath() const;

 private:
  QString directory_;
  QString command_;
};

}  // namespace marlinet::shell
