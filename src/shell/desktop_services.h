#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/app_services.h"
#include "app/change_publisher.h"
#include "app/direct_updater.h"
#include "app/inert_services.h"
#include "replacements/file_system.h"
#include "replacements/file_user_defaults.h"
#include "replacements/system_replacement_reader.h"

namespace marlinet::shell {

// The services of the desktop application that have no window yet: X11 needs
// no permission to watch the keyboard, no window is drawn, links open in the
// browser, alerts go to the standard error, and the bell is the display's
// (`beep`).
class DesktopServices final {
 public:
  explicit DesktopServices(std::function<void()> beep);
  DesktopServices(const DesktopServices&) = delete;
  DesktopServices& operator=(const DesktopServices&) = delete;
  ~DesktopServices();

  AppServices services(ExpansionContext& context, EventPosting& poster, PasteboardAccess& pasteboard,
                       Scheduler& scheduler, EventTapControl& tap);
  // The focused application changed.
  void otherApplicationActivated();

  static constexpr std::string_view folderName = "tarnwick-engineering.Marlinet.direct";

 private:
  std::unique_ptr<InertServices> plain_;
  std::shared_ptr<LocalFileSystem> files_ = std::make_shared<LocalFileSystem>();
  FileUserDefaults defaults_{folderName};
  SystemReplacementReader systemReader_{folderName};
  DirectUpdater updater_;
};

}  // namespace marlinet::shell
