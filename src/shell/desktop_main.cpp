#include "shell/desktop_main.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <ostream>
#include <unistd.h>

#include "accessibility/password_field_tracker.h"
#include "app/app_model.h"
#include "app/localization.h"
#include "app/model_content.h"
#include "input_method/input_method_tracker.h"
#include "shell/desktop_services.h"
#include "shell/keyboard_switch_filter.h"
#include "shell/list_file_watcher.h"
#include "shell/qt_pasteboard.h"
#include "shell/qt_scheduler.h"
#include "shell/session_context.h"
#include "shell/single_instance.h"
#include "shell/tray_icon.h"
// Last: Xlib's macros (None, Bool, CursorShape) break Qt headers after them.
#include "x11/x11_desktop.h"

namespace marlinet::shell {
namespace {

int signalPipe[2] = {-1, -1};

constexpr int trayGraceMilliseconds = 3000;

void onTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

int runDesktop(int argc, char** argv, std::ostream& errors) {
  setDesktopWording(DesktopWording::x11);
  const std::string displayName = environment("DISPLAY");
  if (displayName.empty()) {
    errors << localized(environment("WAYLAND_DISPLAY").empty()
                            ? "Marlinet needs an X11 desktop, and no X display is set (DISPLAY is empty)."
                            : "Marlinet needs X11: this Wayland session offers no X display (XWayland is not running).")
           << '\n';
    return 1;
  }
  if (!x11::openDisplay(displayName)) {
    errors << localized("Marlinet cannot open the X display ") << displayName << ".\n";
    return 1;
  }
  // Marlinet watches X's keyboard, so its windows live on X too.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("marlinet"));
  // Qt names our windows' desktop file to the window manager; the X11 layer
  // reports that name, which is our own identifier, so nothing expands in
  // Marlinet's own windows.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(DesktopServices::folderName.data(),
                                                        DesktopServices::folderName.size()));

  // A second start shows the running copy's settings and leaves.
  std::function<void()> showSettings;
  const std::unique_ptr<SingleInstance> onlyCopy = SingleInstance::claim(
      QString::fromStdString(displayName), [&showSettings] {
        if (showSettings) showSettings();
      });
  if (!onlyCopy) return 0;

  QObject timers;
  QtScheduler scheduler(timers);
  std::unique_ptr<x11::X11Desktop> desktop = x11::X11Desktop::open(displayName, scheduler);
  if (!desktop) {
    errors << localized("Marlinet cannot read the keyboard of the X display ") << displayName << ".\n";
    return 1;
  }
  KeyboardSwitchFilter keyboardSwitches;
  accessibility::PasswordFieldTracker passwordFields;
  InputMethodTracker inputMethods;
  SessionContext context(*desktop, passwordFields, inputMethods);
  QtPasteboard pasteboard;
  DesktopServices desktopServices([&desktop] { desktop->beep(); },
                                  SessionFacts{desktop->canPostKeys(), desktop->canReadKeys(), {}});
  AppModel model(
      desktopServices.services(context, desktop->poster(), pasteboard, scheduler, desktop->tap()));
  desktop->tap().isBusy = [&model] { return model.coordinator().isExpanding(); };
  desktop->focus().onChange = [&desktopServices, &inputMethods] {
    desktopServices.otherApplicationActivated();
    // Fcitx announces no switch of input method: asked again with each window.
    inputMethods.refresh();
  };

  QSocketNotifier readable(desktop->fd(), QSocketNotifier::Read);
  const auto handleKeyboard = [&desktop, &scheduler] {
    desktop->processEvents();
    scheduler.runDueNow();
  };
  QObject::connect(&readable, &QSocketNotifier::activated, handleKeyboard);
  // Xlib may have read events while waiting for a reply; they would sit
  // unseen until the next byte arrived. Handled by a call of their own: work
  // posted from inside the dispatcher's "about to block" waits for the next
  // wake-up (measured: about 2 ms).
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &timers,
                   [&desktop, &timers, handleKeyboard] {
                     if (desktop->flushAndCheckQueued()) {
                       QMetaObject::invokeMethod(&timers, handleKeyboard, Qt::QueuedConnection);
                     }
                   });

  if (pipe(signalPipe) != 0) return 1;
  QSocketNotifier ended(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&ended, &QSocketNotifier::activated, &application, &QCoreApplication::quit);
  std::signal(SIGTERM, &onTerminationSignal);
  std::signal(SIGINT, &onTerminationSignal);

  // After the model, so that it goes first; its hooks reach the model only while it exists.
  // Quitting from the menu ends the loop as SIGTERM does. The icon draws its dimmed look itself.
  TrayIcon tray(statusMenuHooks(model.handle(), [] { QCoreApplication::quit(); }, nullptr));
  const Subscription iconFollowsModel = model.subscribe([&tray] { tray.refresh(); });
  // Qt docks the icon as soon as a tray appears. It comes first, dimmed
  // until the model runs: reaching the accessibility bus may mean starting
  // it, a few hundred milliseconds.
  tray.show();
  QCoreApplication::processEvents();
  showSettings = [&model] { model.showPreferences(); };
  // A list edited elsewhere takes effect as soon as it is written, not at the
  // next opening of the menu.
  std::unique_ptr<ListFileWatcher> listWatcher;
  if (const auto& listFile = desktopServices.listFile()) {
    listWatcher = std::make_unique<ListFileWatcher>(*listFile, [&model] { model.reload(); });
  }
  // Password fields are followed before the first key is grabbed.
  QTimer::singleShot(0, &timers, [&passwordFields, &desktopServices, &model, &desktop, &errors] {
    if (!passwordFields.start()) {
      desktopServices.windows().addSessionNote(
          localized("Password fields cannot be recognised: the accessibility bus is not available. Marlinet "
                    "still holds off while a password prompt holds the keyboard."));
      errors << localized("Marlinet cannot recognise password fields: the accessibility bus is not available "
                          "(install at-spi2-core and log in again). It still holds off while a password prompt "
                          "holds the keyboard.")
             << std::endl;
    }
    model.start();
    if (!desktop->tap().isRunning()) {
      errors << localized("Marlinet cannot watch the keyboard: the X server lacks XInput 2.2 or XTEST.")
             << std::endl;
    }
  });
  // At login the panel may start after us: give its tray a moment before
  // deciding there is none. Then the settings window is the only way to steer
  // Marlinet; it appears without taking the keyboard from whatever the user
  // is typing in.
  QTimer::singleShot(trayGraceMilliseconds, &timers, [&model, &desktopServices, &errors] {
    if (QSystemTrayIcon::isSystemTrayAvailable()) return;
    errors << localized("Marlinet finds no system tray on this desktop: its icon appears when a tray starts, and "
                        "expansion works without it. Start it again to open its settings.")
           << std::endl;
    desktopServices.windows().withoutFocus([&model] { model.showPreferences(); });
  });
  const int status = QApplication::exec();
  showSettings = nullptr;
  model.stop();
  model.handBackClipboard();
  return status;
}

}  // namespace marlinet::shell
