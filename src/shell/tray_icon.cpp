#include "shell/tray_icon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QSvgRenderer>
#include <string_view>
#include <utility>

#include "app/content/status_presentation.h"

// The icons are compiled into a static library, whose unreferenced objects the
// linker drops; registering by hand keeps them. Qt's macro must be used
// outside any namespace.
static void registerTrayIcons() { Q_INIT_RESOURCE(tray_icons); }

namespace marlinet::shell {
namespace {

// Panels differ in size; each gets a pixmap drawn for it rather than a scaled one.
constexpr int iconSizes[] = {16, 22, 24, 32, 48, 64};
constexpr double dimmedOpacity = 0.4;

QIcon renderIcon(bool forDarkPanel, bool dimmed) {
  QSvgRenderer renderer(QStringLiteral(":/icons/%1")
                            .arg(forDarkPanel ? QStringLiteral("marlinet-dark-panel.svg")
                                              : QStringLiteral("marlinet-light-panel.svg")));
  QIcon icon;
  for (const int size : iconSizes) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setOpacity(dimmed ? dimmedOpacity : 1.0);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

// Panels follow the desktop's colour scheme far more often than not; Qt
// learns the scheme through its platform theme.
bool panelLooksDark() { return QGuiApplication::palette().color(QPalette::Window).lightness() < 128; }

// A row's symbol as an icon of the desktop's theme, with Qt's own drawing
// where the theme has neither name.
QIcon symbolIcon(const std::string& symbolName) {
  struct Symbol {
    std::string_view prefix;
    const char* themeName;
    const char* alternative;
    QStyle::StandardPixmap own;
  };
  static constexpr Symbol symbols[] = {
      {"checkmark", "emblem-ok", "object-select", QStyle::SP_DialogApplyButton},
      {"pause", "media-playback-pause", "media-playback-pause-symbolic", QStyle::SP_MediaPause},
      {"exclamationmark.triangle", "dialog-warning", "emblem-important", QStyle::SP_MessageBoxWarning},
      {"text.badge.xmark", "dialog-information", "edit-clear", QStyle::SP_MessageBoxInformation},
  };
  if (symbolName.empty()) return {};
  for (const Symbol& symbol : symbols) {
    if (!symbolName.starts_with(symbol.prefix)) continue;
    return QIcon::fromTheme(QString::fromLatin1(symbol.themeName),
                            QIcon::fromTheme(QString::fromLatin1(symbol.alternative),
                                             QApplication::style()->standardIcon(symbol.own)));
  }
  return {};
}

// Our key equivalents are single characters meant with the platform's
// command key, which is Control here.
QKeySequence shortcut(const std::string& keyEquivalent) {
  if (keyEquivalent.size() != 1) return {};
  const char key = keyEquivalent.front();
  if (key <= ' ' || key > '~') return {};
  // Qt's key codes for printable ASCII are the upper-case characters.
  const int code = (key >= 'a' && key <= 'z') ? key - 'a' + 'A' : key;
  return QKeySequence(QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(code)));
}

}  // namespace

TrayIcon::TrayIcon(StatusMenuHooks hooks) : controller_(drawingDimmedLook(std::move(hooks))) {
  item_.setToolTip(QString::fromStdString(statusItemImage().accessibilityDescription));
  item_.setContextMenu(&menu_);
  // Rebuilt at every opening, so that it always shows the current state.
  QObject::connect(&menu_, &QMenu::aboutToShow, &menu_, [this] { rebuildMenu(); });
  QObject::connect(&menu_, &QMenu::aboutToHide, &menu_, [this] { controller_.menuDidClose(); });
}

TrayIcon::~TrayIcon() {
  // The menu outlives the item; its closing must not reach a controller being destroyed.
  QObject::disconnect(&menu_, nullptr, &menu_, nullptr);
  item_.setContextMenu(nullptr);
}

StatusMenuHooks TrayIcon::drawingDimmedLook(StatusMenuHooks hooks) {
  hooks.setIconDimmed = [this, outer = std::move(hooks.setIconDimmed)](bool dimmed) {
    drawIcon(dimmed);
    if (outer) outer(dimmed);
  };
  return hooks;
}

void TrayIcon::drawIcon(bool dimmed) {
  const int index = (panelLooksDark() ? 2 : 0) + (dimmed ? 1 : 0);
  if (index == shownIcon_) return;
  if (icons_[index].isNull()) {
    [[maybe_unused]] static const bool registered = (registerTrayIcons(), true);
    icons_[index] = renderIcon(index >= 2, dimmed);
  }
  item_.setIcon(icons_[index]);
  shownIcon_ = index;
}

void TrayIcon::rebuildMenu() {
  menu_.clear();
  for (const MenuRow& row : controller_.menuNeedsUpdate().rows) {
    if (row.isSeparator) {
      menu_.addSeparator();
      continue;
    }
    // A lone "&" would turn into a mnemonic.
    QAction* action = menu_.addAction(QString::fromStdString(row.title).replace(u'&', QStringLiteral("&&")));
    action->setEnabled(row.enabled);
    // The switch stays a check box while off, so panels and screen readers
    // (the exported menu's toggle type) still present it as one.
    action->setCheckable(row.checked || row.action == MenuAction::toggleEnabled);
    action->setChecked(row.checked);
    action->setIcon(symbolIcon(row.symbolName));
    action->setShortcut(shortcut(row.keyEquivalent));
    if (row.action != MenuAction::none) {
      QObject::connect(action, &QAction::triggered, &menu_,
                       [this, chosen = row.action] { controller_.perform(chosen); });
    }
  }
}

}  // namespace marlinet::shell
