#include "shell/qt_window_host.h"

#include <QGuiApplication>
#include <QScreen>
#include <utility>

#include "app/window_contents.h"
#include "shell/exclude_apps_window.h"
#include "shell/onboarding_window.h"
#include "shell/replacements_window.h"
#include "shell/settings_window.h"

namespace marlinet::shell {

QtWindowHost::QtWindowHost(std::vector<std::string> sessionNotes) : sessionNotes_(std::move(sessionNotes)) {}

QtWindowHost::~QtWindowHost() = default;

void QtWindowHost::createWindow(const std::string& id, const std::string& title,
                                std::shared_ptr<WindowContent> content) {
  std::unique_ptr<QWidget> window;
  if (auto settings = std::dynamic_pointer_cast<PreferencesWindowContent>(content)) {
    window = std::make_unique<SettingsWindow>(std::move(settings), sessionNotes_);
  } else if (auto onboarding = std::dynamic_pointer_cast<OnboardingWindowContent>(content)) {
    window = std::make_unique<OnboardingWindow>(std::move(onboarding));
  } else if (auto exclude = std::dynamic_pointer_cast<ExcludeAppsWindowContent>(content)) {
    window = std::make_unique<ExcludeAppsWindow>(std::move(exclude));
  } else if (auto replacements = std::dynamic_pointer_cast<ReplacementsWindowContent>(content)) {
    window = std::make_unique<ReplacementsWindow>(std::move(replacements));
  } else {
    return;
  }
  window->setWindowTitle(QString::fromStdString(title));
  // The tray application has no main window: each of these stands alone in
  // the task bar, and closing one leaves the others (and the program) alone.
  window->setAttribute(Qt::WA_QuitOnClose, false);
  window->adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
  }
  windows_[id] = std::move(window);
}

void QtWindowHost::bringToFront(const std::string& id) {
  QWidget* shown = window(id);
  if (shown == nullptr) return;
  shown->setAttribute(Qt::WA_ShowWithoutActivating, !takesFocus_);
  shown->show();
  shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
  shown->raise();
  if (takesFocus_) shown->activateWindow();
}

void QtWindowHost::close(const std::string& id) {
  if (QWidget* shown = window(id)) shown->hide();
}

QWidget* QtWindowHost::window(const std::string& id) const {
  const auto found = windows_.find(id);
  return found == windows_.end() ? nullptr : found->second.get();
}

}  // namespace marlinet::shell
