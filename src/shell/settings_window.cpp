#include "shell/settings_window.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "app/app_model.h"
#include "app/model_content.h"

namespace marlinet::shell {
namespace {

constexpr int lineSymbolSize = 16;
constexpr int noteSymbolSize = 28;
// Wrapped notes break at about this many characters; the widest of them sets
// the window's width.
constexpr int columnCharacters = 64;

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

QColor secondaryColor(const QPalette& palette) { return palette.color(QPalette::PlaceholderText); }

void setTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::ButtonText, color);
  widget->setPalette(palette);
}

QLabel* plainLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLabel* boldLabel(QWidget* parent) {
  QLabel* label = plainLabel(parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// Secondary text wrapped at a fixed width, so that the window's fixed size
// is its natural one.
QLabel* noteLabel(QWidget* parent, int width) {
  QLabel* label = plainLabel(parent);
  label->setWordWrap(true);
  label->setFixedWidth(width);
  QFont font = label->font();
  if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * 0.9);
  label->setFont(font);
  setTextColor(label, secondaryColor(label->palette()));
  return label;
}

// Counts line up in their column only when every digit is as wide as the others.
QFont evenDigitsFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(QLatin1Char('0'));
  for (char digit = '1'; digit <= '9'; ++digit) {
    if (metrics.horizontalAdvance(QLatin1Char(digit)) == width) continue;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pointSizeF() > 0) fixed.setPointSizeF(font.pointSizeF());
    return fixed;
  }
  return font;
}

// A coloured picture cannot take a tint; a theme's symbolic icon is one
// grey shape.
bool isMonochrome(const QImage& image) {
  bool seen = false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor color = image.pixelColor(x, y);
      if (color.alpha() < 64) continue;
      if (color.hsvSaturation() > 80) return false;
      seen = true;
    }
  }
  return seen;
}

QPixmap themeSymbol(std::string_view symbolName, const QColor& tint, int size, qreal ratio) {
  struct Entry {
    std::string_view prefix;
    const char* themeName;
  };
  static constexpr Entry entries[] = {
      {"checkmark", "emblem-ok-symbolic"},
      {"exclamationmark.triangle", "dialog-warning-symbolic"},
      {"lock.shield", "security-high-symbolic"},
      {"text.insert", "insert-text-symbolic"},
  };
  for (const Entry& entry : entries) {
    if (!symbolName.starts_with(entry.prefix)) continue;
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(entry.themeName));
    if (icon.isNull()) return {};
    QImage image = icon.pixmap(QSize(size, size), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
    if (!isMonochrome(image)) return {};
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), tint);
    painter.end();
    return QPixmap::fromImage(image);
  }
  return {};
}

// The symbols drawn in a unit square, for desktops whose theme lacks them.
QPixmap drawnSymbol(std::string_view name, const QColor& tint, int size, qreal ratio) {
  const bool filled = name.ends_with(".fill");
  const auto circledNumber = [&]() -> QString {
    const std::size_t dot = name.find(".circle");
    if (dot == 0 || dot == std::string_view::npos) return {};
    for (std::size_t i = 0; i < dot; ++i) {
      if (name[i] < '0' || name[i] > '9') return {};
    }
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(dot));
  }();
  enum class Shape { check, warning, shield, text, number };
  Shape shape;
  if (name.starts_with("checkmark")) {
    shape = Shape::check;
  } else if (name.starts_with("exclamationmark.triangle")) {
    shape = Shape::warning;
  } else if (name.starts_with("lock.shield")) {
    shape = Shape::shield;
  } else if (name.starts_with("text.insert")) {
    shape = Shape::text;
  } else if (!circledNumber.isEmpty()) {
    shape = Shape::number;
  } else {
    return {};
  }

  const int pixels = static_cast<int>(std::ceil(size * ratio));
  QPixmap pixmap(pixels, pixels);
  pixmap.fill(Qt::transparent);
  pixmap.setDevicePixelRatio(ratio);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size, size);
  const auto pen = [](const QColor& color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  };
  const QColor mark = filled ? QColor(Qt::white) : tint;
  switch (shape) {
    case Shape::check:
      if (name.find(".circle") == std::string_view::npos) {
        painter.setPen(pen(tint, 0.13));
        painter.drawPolyline(QPolygonF({{0.18, 0.54}, {0.4, 0.76}, {0.84, 0.26}}));
        break;
      }
      painter.setPen(filled ? Qt::NoPen : pen(tint, 0.08));
      painter.setBrush(filled ? QBrush(tint) : Qt::NoBrush);
      painter.drawEllipse(QRectF(0.05, 0.05, 0.9, 0.9));
      painter.setPen(pen(mark, 0.11));
      painter.setBrush(Qt::NoBrush);
      painter.drawPolyline(QPolygonF({{0.29, 0.52}, {0.44, 0.67}, {0.72, 0.36}}));
      break;
    case Shape::warning: {
      QPainterPath triangle;
      triangle.moveTo(0.5, 0.1);
      triangle.lineTo(0.93, 0.87);
      triangle.lineTo(0.07, 0.87);
      triangle.closeSubpath();
      painter.setPen(pen(tint, 0.09));
      painter.setBrush(filled ? QBrush(tint) : Qt::NoBrush);
      painter.drawPath(triangle);
      painter.setPen(pen(mark, 0.1));
      painter.drawLine(QPointF(0.5, 0.38), QPointF(0.5, 0.6));
      painter.setPen(Qt::NoPen);
      painter.setBrush(mark);
      painter.drawEllipse(QPointF(0.5, 0.74), 0.055, 0.055);
      break;
    }
    case Shape::shield: {
      QPainterPath shield;
      shield.moveTo(0.5, 0.04);
      shield.cubicTo(0.64, 0.14, 0.78, 0.16, 0.9, 0.17);
      shield.lineTo(0.9, 0.46);
      shield.cubicTo(0.9, 0.72, 0.7, 0.88, 0.5, 0.96);
      shield.cubicTo(0.3, 0.88, 0.1, 0.72, 0.1, 0.46);
      shield.lineTo(0.1, 0.17);
      shield.cubicTo(0.22, 0.16, 0.36, 0.14, 0.5, 0.04);
      painter.fillPath(shield, tint);
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::white);
      painter.drawRoundedRect(QRectF(0.33, 0.45, 0.34, 0.25), 0.04, 0.04);
      QPainterPath shackle;
      shackle.moveTo(0.4, 0.47);
      shackle.lineTo(0.4, 0.39);
      shackle.arcTo(QRectF(0.4, 0.29, 0.2, 0.2), 180, -180);
      shackle.lineTo(0.6, 0.47);
      painter.setPen(pen(Qt::white, 0.065));
      painter.setBrush(Qt::NoBrush);
      painter.drawPath(shackle);
      break;
    }
    case Shape::text:
      painter.setPen(pen(tint, 0.07));
      painter.drawRoundedRect(QRectF(0.06, 0.16, 0.88, 0.68), 0.1, 0.1);
      painter.drawLine(QPointF(0.2, 0.4), QPointF(0.56, 0.4));
      painter.drawLine(QPointF(0.2, 0.6), QPointF(0.46, 0.6));
      painter.setPen(pen(tint, 0.09));
      painter.drawLine(QPointF(0.72, 0.3), QPointF(0.72, 0.7));
      break;
    case Shape::number: {
      painter.setPen(pen(tint, 0.08));
      painter.drawEllipse(QRectF(0.05, 0.05, 0.9, 0.9));
      // Text is drawn in pixels: a font cannot be a fraction of a pixel tall.
      painter.resetTransform();
      QFont font;
      font.setBold(true);
      font.setPixelSize(std::max(1, size * 11 / 20));
      painter.setFont(font);
      painter.setPen(tint);
      painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, circledNumber);
      break;
    }
  }
  painter.end();
  return pixmap;
}

}  // namespace

QPixmap symbolPixmap(const std::string& symbolName, const QColor& tint, int size, qreal devicePixelRatio) {
  if (symbolName.empty()) return {};
  QPixmap fromTheme = themeSymbol(symbolName, tint, size, devicePixelRatio);
  if (!fromTheme.isNull()) return fromTheme;
  return drawnSymbol(symbolName, tint, size, devicePixelRatio);
}

QColor tintColor(Tint tint, const QPalette& palette) {
  const bool dark = palette.color(QPalette::Window).lightness() < 128;
  switch (tint) {
    case Tint::standard:
      return palette.color(QPalette::WindowText);
    case Tint::secondary:
      return secondaryColor(palette);
    case Tint::green:
      return dark ? QColor(0x4c, 0xd9, 0x64) : QColor(0x24, 0x9a, 0x3e);
    case Tint::orange:
      return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xd9, 0x73, 0x00);
  }
  return palette.color(QPalette::WindowText);
}

void setWrappedText(QLabel* label, const std::string& text) {
  label->setText(fromUtf8(text));
  // An empty label answers no height of its own.
  label->setFixedHeight(std::max(0, label->heightForWidth(label->width())));
}

QString buttonText(const std::string& text) { return fromUtf8(text).replace(u'&', QStringLiteral("&&")); }

SettingsWindow::SettingsWindow(std::shared_ptr<PreferencesWindowContent> content,
                               std::vector<std::string> sessionNotes, QWidget* parent)
    : QWidget(parent), content_(std::move(content)) {
  build(sessionNotes);
  redraw();
  if (AppModel* model = content_->model.get()) {
    // A hidden window redraws when it is shown again, not at every change.
    changes_ = model->subscribe([this] {
      if (isVisible()) redraw();
    });
  }
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void SettingsWindow::showEvent(QShowEvent* event) {
  redraw();
  QWidget::showEvent(event);
}

QCheckBox* SettingsWindow::makeSwitch() {
  auto* box = new QCheckBox(this);
  connect(box, &QAbstractButton::clicked, this, [this, box](bool checked) {
    const auto found = actions_.find(box);
    if (found != actions_.end()) perform(found->second, checked);
  });
  return box;
}

QPushButton* SettingsWindow::makeButton() {
  auto* button = new QPushButton(this);
  connect(button, &QAbstractButton::clicked, this, [this, button] {
    const auto found = actions_.find(button);
    if (found != actions_.end()) perform(found->second, false);
  });
  return button;
}

SettingsWindow::CountRowWidgets SettingsWindow::makeCountRow(QGridLayout* grid, int row) {
  CountRowWidgets widgets{plainLabel(this), plainLabel(this), makeButton()};
  widgets.value->setFont(evenDigitsFont(widgets.value->font()));
  grid->addWidget(widgets.title, row, 0);
  grid->addWidget(widgets.value, row, 1, Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(widgets.button, row, 2);
  return widgets;
}

SettingsWindow::PermissionWidgets SettingsWindow::makePermissionLine(QGridLayout* grid, int row) {
  PermissionWidgets widgets{plainLabel(this), new QLabel(this), plainLabel(this)};
  auto* state = new QHBoxLayout;
  state->setSpacing(4);
  state->addWidget(widgets.symbol);
  state->addWidget(widgets.state);
  grid->addWidget(widgets.title, row, 0);
  grid->addLayout(state, row, 1, 1, 2, Qt::AlignRight | Qt::AlignVCenter);
  return widgets;
}

void SettingsWindow::build(const std::vector<std::string>& sessionNotes) {
  auto* root = new QVBoxLayout(this);
  root->setSizeConstraint(QLayout::SetFixedSize);
  root->setSpacing(6);
  const int column = fontMetrics().averageCharWidth() * columnCharacters;

  bool first = true;
  const auto section = [&](QLabel*& title) {
    if (!first) root->addSpacing(10);
    first = false;
    title = boldLabel(this);
    root->addWidget(title);
    auto* box = new QFrame(this);
    box->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(box);
    grid->setColumnStretch(0, 1);
    grid->setHorizontalSpacing(12);
    root->addWidget(box);
    return grid;
  };

  QGridLayout* grid = section(expandingTitle_);
  expandSwitch_ = makeSwitch();
  grid->addWidget(expandSwitch_, 0, 0, 1, 3);
  loginSwitch_ = makeSwitch();
  grid->addWidget(loginSwitch_, 1, 0, 1, 3);
  excludedRow_ = makeCountRow(grid, 2);
  expandingNote_ = noteLabel(this, column);
  grid->addWidget(expandingNote_, 3, 0, 1, 3);

  grid = section(replacementsTitle_);
  foundRow_ = makeCountRow(grid, 0);
  systemRow_ = makeCountRow(grid, 1);
  importedRow_ = makeCountRow(grid, 2);
  skippedNote_ = noteLabel(this, column);
  grid->addWidget(skippedNote_, 3, 0, 1, 3);
  buttonRow_ = new QHBoxLayout;
  buttonRow_->setSpacing(6);
  buttonRow_->addStretch(1);
  trailingButton_ = makeButton();
  buttonRow_->addWidget(trailingButton_);
  grid->addLayout(buttonRow_, 4, 0, 1, 3);

  grid = section(permissionsTitle_);
  accessibilityLine_ = makePermissionLine(grid, 0);
  inputMonitoringLine_ = makePermissionLine(grid, 1);
  allowAccessButton_ = makeButton();
  grid->addWidget(allowAccessButton_, 2, 0, 1, 3, Qt::AlignRight);
  auto* privacy = new QHBoxLayout;
  privacySymbol_ = new QLabel(this);
  privacy->addWidget(privacySymbol_, 0, Qt::AlignTop);
  auto* privacyText = new QVBoxLayout;
  privacyTitle_ = boldLabel(this);
  privacyText->addWidget(privacyTitle_);
  privacyBody_ = noteLabel(this, column - noteSymbolSize - privacy->spacing() - 4);
  privacyText->addWidget(privacyBody_);
  privacy->addLayout(privacyText, 1);
  grid->addLayout(privacy, 3, 0, 1, 3);
  int row = 4;
  for (const std::string& note : sessionNotes) {
    QLabel* label = noteLabel(this, column);
    setWrappedText(label, note);
    grid->addWidget(label, row++, 0, 1, 3);
  }

  grid = section(updatesTitle_);
  updatesSwitch_ = makeSwitch();
  grid->addWidget(updatesSwitch_, 0, 0, 1, 3);
  versionTitle_ = plainLabel(this);
  versionText_ = plainLabel(this);
  versionText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  checkButton_ = makeButton();
  grid->addWidget(versionTitle_, 1, 0);
  grid->addWidget(versionText_, 1, 1, Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(checkButton_, 1, 2);
}

void SettingsWindow::redraw() {
  if (std::optional<SettingsContent> fresh = settingsContent(*content_)) shown_ = std::move(*fresh);
  // Also once the model is gone: a switch the user flipped goes back.
  draw();
}

void SettingsWindow::drawSwitch(QCheckBox* box, const SettingsSwitch& spec) {
  box->setText(buttonText(spec.title));
  box->setChecked(spec.on);
  actions_[box] = spec.action;
}

void SettingsWindow::drawButton(QPushButton* button, const SettingsButton& spec) {
  button->setText(buttonText(spec.title));
  actions_[button] = spec.action;
  if (spec.destructive) {
    setTextColor(button, QColor(0xd7, 0x26, 0x1e));
  } else {
    // An empty palette: the button follows the desktop's colours again.
    button->setPalette(QPalette());
  }
}

void SettingsWindow::drawCountRow(const CountRowWidgets& row, const CountRow& spec) {
  row.title->setText(fromUtf8(spec.title));
  row.value->setText(fromUtf8(spec.valueText));
  row.button->setVisible(spec.button.has_value());
  if (spec.button) drawButton(row.button, *spec.button);
}

void SettingsWindow::drawPermission(const PermissionWidgets& line, const PermissionLine& spec) {
  const QColor tint = tintColor(spec.tint, palette());
  line.title->setText(fromUtf8(spec.title));
  line.symbol->setPixmap(symbolPixmap(spec.symbolName, tint, lineSymbolSize, devicePixelRatioF()));
  line.state->setText(fromUtf8(spec.stateText));
  setTextColor(line.state, tint);
}

void SettingsWindow::draw() {
  const ExpandingSection& expanding = shown_.expanding;
  expandingTitle_->setText(fromUtf8(expanding.title));
  drawSwitch(expandSwitch_, expanding.expandReplacements);
  drawSwitch(loginSwitch_, expanding.openAtLogin);
  drawCountRow(excludedRow_, expanding.excludedApps);
  setWrappedText(expandingNote_, expanding.note);

  const ReplacementsSection& replacements = shown_.replacements;
  replacementsTitle_->setText(fromUtf8(replacements.title));
  drawCountRow(foundRow_, replacements.found);
  drawCountRow(systemRow_, replacements.fromSystem);
  importedRow_.title->setVisible(replacements.fromImported.has_value());
  importedRow_.value->setVisible(replacements.fromImported.has_value());
  if (replacements.fromImported) {
    drawCountRow(importedRow_, *replacements.fromImported);
  } else {
    importedRow_.button->hide();
  }
  skippedNote_->setVisible(replacements.skippedNote.has_value());
  setWrappedText(skippedNote_, replacements.skippedNote.value_or(std::string()));
  // The leading buttons come before the stretch, in their order.
  while (leadingButtons_.size() > replacements.leadingButtons.size()) {
    actions_.erase(leadingButtons_.back());
    // Later: the button may be the one whose click is running.
    leadingButtons_.back()->deleteLater();
    leadingButtons_.pop_back();
  }
  while (leadingButtons_.size() < replacements.leadingButtons.size()) {
    QPushButton* button = makeButton();
    buttonRow_->insertWidget(static_cast<int>(leadingButtons_.size()), button);
    leadingButtons_.push_back(button);
  }
  for (std::size_t i = 0; i < leadingButtons_.size(); ++i) {
    drawButton(leadingButtons_[i], replacements.leadingButtons[i]);
  }
  trailingButton_->setVisible(replacements.trailingButton.has_value());
  if (replacements.trailingButton) drawButton(trailingButton_, *replacements.trailingButton);

  const PermissionsSection& permissions = shown_.permissions;
  permissionsTitle_->setText(fromUtf8(permissions.title));
  drawPermission(accessibilityLine_, permissions.accessibility);
  drawPermission(inputMonitoringLine_, permissions.inputMonitoring);
  allowAccessButton_->setVisible(permissions.allowAccess.has_value());
  if (permissions.allowAccess) drawButton(allowAccessButton_, *permissions.allowAccess);
  privacySymbol_->setPixmap(symbolPixmap(permissions.privacyNote.symbolName, palette().color(QPalette::Highlight),
                                         noteSymbolSize, devicePixelRatioF()));
  privacyTitle_->setText(fromUtf8(permissions.privacyNote.title));
  setWrappedText(privacyBody_, permissions.privacyNote.body);

  const UpdatesSection& updates = shown_.updates;
  updatesTitle_->setText(fromUtf8(updates.title));
  drawSwitch(updatesSwitch_, updates.automaticUpdates);
  versionTitle_->setText(fromUtf8(updates.versionTitle));
  versionText_->setText(fromUtf8(updates.versionText));
  drawButton(checkButton_, updates.checkForUpdates);
}

void SettingsWindow::perform(SettingsAction action, bool on) {
  if (AppModel* model = content_->model.get()) {
    switch (action) {
      case SettingsAction::setEnabled:
        model->setEnabled(on);
        break;
      case SettingsAction::setOpensAtLogin:
        model->setOpensAtLogin(on);
        break;
      case SettingsAction::showExcludeApps:
        model->showExcludeApps();
        break;
      case SettingsAction::removeImported:
        model->removeImported();
        break;
      case SettingsAction::reload:
        model->reload();
        break;
      case SettingsAction::importReplacements:
        model->importReplacements();
        break;
      case SettingsAction::importFolder:
        model->importFolder();
        break;
      case SettingsAction::showReplacements:
        model->showReplacements();
        break;
      case SettingsAction::openKeyboardSettings:
        model->openKeyboardSettings();
        break;
      case SettingsAction::showOnboarding:
        model->showOnboarding();
        break;
      case SettingsAction::setAutomaticUpdates:
        // The window keeps its own position; the updater takes every change.
        content_->automaticUpdates = on;
        model->updater().setAutomaticallyChecksForUpdates(on);
        break;
      case SettingsAction::checkForUpdates:
        model->checkForUpdates();
        break;
    }
  }
  // A command the model refused or ignored, or one after the model is gone,
  // leaves its control showing the real state.
  redraw();
}

}  // namespace marlinet::shell
