#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/change_publisher.h"
#include "app/direct_updater.h"
#include "app/inert_services.h"
#include "replacements/file_system.h"
#include "replacements/file_user_defaults.h"
#include "replacements/system_replacement_reader.h"
#include "shell/application_id.h"
#include "shell/desktop_applications.h"
#include "shell/qt_dialogs.h"
#include "shell/qt_window_host.h"
#include "shell/xdg_autostart.h"

namespace marlinet::shell {

// What this X session offers Marlinet, found once at start.
struct SessionFacts {
  bool postsKeys = true;  // the server has XTEST
  bool readsKeys = true;  // the server has XInput 2.2
  // One-line facts the settings window adds to its permissions.
  std::vector<std::string> notes;
};

// The services of the desktop application on X11: the windows and dialogs
// are Qt's, the installed applications come from `.desktop` files, "open at
// login" is an XDG autostart entry, and the bell is the display's (`beep`).
// X11 asks no permission to watch the keyboard: the two permissions are the
// two extensions the server has or lacks. Links open in the user's browser,
// except the permission-settings links, which explain what the X server
// lacks. Marlinet edits the user's list itself.
class DesktopServices final {
 public:
  DesktopServices(std::function<void()> beep, SessionFacts facts);
  DesktopServices(const DesktopServices&) = delete;
  DesktopServices& operator=(const DesktopServices&) = delete;
  ~DesktopServices();

  AppServices services(ExpansionContext& context, EventPosting& poster, PasteboardAccess& pasteboard,
                       Scheduler& scheduler, EventTapControl& tap);
  // The focused application changed.
  void otherApplicationActivated();
  QtWindowHost& windows() { return windows_; }
  // The user's own list, which Marlinet edits; none without a home folder.
  const std::optional<std::filesystem::path>& listFile() const { return systemReader_.fileURL(); }

  static constexpr std::string_view folderName = applicationID;

 private:
  std::unique_ptr<InertServices> plain_;
  std::unique_ptr<BundleInfo> program_;
  std::unique_ptr<PermissionChecks> permissions_;
  std::shared_ptr<LocalFileSystem> files_ = std::make_shared<LocalFileSystem>();
  FileUserDefaults defaults_{folderName};
  SystemReplacementReader systemReader_{folderName};
  DirectUpdater updater_;
  QtWindowHost windows_;
  QtDialogs dialogs_;
  XdgAutostart autostart_;
  DesktopApplications applications_;
};

}  // namespace marlinet::shell
