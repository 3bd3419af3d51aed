#include "shell/onboarding_window.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "app/app_model.h"
#include "app/model_content.h"
#include "shell/settings_window.h"

namespace marlinet::shell {
namespace {

constexpr int headerSymbolSize = 44;
constexpr int badgeSize = 26;
constexpr int markSize = 16;
// The introduction wraps at about this many characters; it sets the window's width.
constexpr int columnCharacters = 68;

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

void setTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  widget->setPalette(palette);
}

QLabel* plainLabel(QWidget* parent, int wrapWidth = 0) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  if (wrapWidth > 0) {
    // A fixed width makes the wrapped height, and so the window's fixed size, the natural one.
    label->setWordWrap(true);
    label->setFixedWidth(wrapWidth);
  }
  return label;
}

QLabel* boldLabel(QWidget* parent, qreal scale = 1.0) {
  QLabel* label = plainLabel(parent);
  QFont font = label->font();
  font.setBold(true);
  if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * scale);
  label->setFont(font);
  return label;
}

// "Waiting": turning spokes, animated only while on screen.
class Spinner final : public QWidget {
 public:
  explicit Spinner(QWidget* parent) : QWidget(parent) {
    setFixedSize(markSize, markSize);
    timer_.setInterval(spokeInterval);
    connect(&timer_, &QTimer::timeout, this, [this] {
      phase_ = (phase_ + 1) % spokes;
      update();
    });
  }

 protected:
  void showEvent(QShowEvent* event) override {
    timer_.start();
    QWidget::showEvent(event);
  }
  void hideEvent(QHideEvent* event) override {
    timer_.stop();
    QWidget::hideEvent(event);
  }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal radius = std::min(width(), height()) / 2.0;
    QColor color = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokes; ++i) {
      // The newest spoke is darkest; the ones behind it fade.
      color.setAlphaF(0.15f + 0.85f * static_cast<float>((i - phase_ + spokes) % spokes) / spokes);
      painter.setPen(QPen(color, radius / 4.5, Qt::SolidLine, Qt::RoundCap));
      painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.9));
      painter.rotate(360.0 / spokes);
    }
  }

 private:
  static constexpr int spokes = 12;
  static constexpr int spokeInterval = 80;  // ms
  QTimer timer_;
  int phase_ = 0;
};

}  // namespace

OnboardingWindow::OnboardingWindow(std::shared_ptr<OnboardingWindowContent> content, QWidget* parent)
    : QWidget(parent), content_(std::move(content)) {
  build();
  redraw();
  if (AppModel* model = content_->model.get()) {
    changes_ = model->subscribe([this] {
      if (isVisible()) redraw();
    });
  }
}

OnboardingWindow::~OnboardingWindow() {
  // Being destroyed on screen sends this window no hide event of its own.
  if (isVisible()) {
    if (AppModel* model = content_->model.get()) model->permissions().stopPolling();
  }
}

void OnboardingWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Samples at once, which publishes a change, and then once a second.
  if (AppModel* model = content_->model.get()) model->permissions().start();
  redraw();
}

void OnboardingWindow::hideEvent(QHideEvent* event) {
  if (AppModel* model = content_->model.get()) model->permissions().stopPolling();
  QWidget::hideEvent(event);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && shown_.footer.doneIsDefault) {
    doneButton_->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

OnboardingWindow::StepWidgets OnboardingWindow::makeStep(std::size_t index, int textWidth) {
  StepWidgets step{};
  step.badge = new QLabel(this);
  step.title = boldLabel(this);
  step.detail = plainLabel(this, textWidth);
  setTextColor(step.detail, tintColor(Tint::secondary, step.detail->palette()));
  step.button = new QPushButton(this);
  connect(step.button, &QPushButton::clicked, this, [this, index] { request(index); });
  step.granted = new QWidget(this);
  auto* granted = new QHBoxLayout(step.granted);
  granted->setContentsMargins(0, 0, 0, 0);
  granted->setSpacing(4);
  step.grantedSymbol = new QLabel(step.granted);
  step.grantedText = plainLabel(step.granted);
  setTextColor(step.grantedText, tintColor(Tint::green, step.grantedText->palette()));
  granted->addWidget(step.grantedSymbol);
  granted->addWidget(step.grantedText);
  return step;
}

void OnboardingWindow::build() {
  auto* root = new QVBoxLayout(this);
  root->setSizeConstraint(QLayout::SetFixedSize);
  root->setSpacing(10);
  const int column = fontMetrics().averageCharWidth() * columnCharacters;

  auto* header = new QHBoxLayout;
  header->setSpacing(12);
  headerSymbol_ = new QLabel(this);
  header->addWidget(headerSymbol_);
  headerTitle_ = boldLabel(this, 1.35);
  // Wrapped too, so that the column alone sets the window's width.
  headerTitle_->setWordWrap(true);
  headerTitle_->setFixedWidth(column - headerSymbolSize - header->spacing());
  header->addWidget(headerTitle_, 1);
  root->addLayout(header);
  introduction_ = plainLabel(this, column);
  root->addWidget(introduction_);

  for (std::size_t i = 0; i < steps_.size(); ++i) {
    auto* box = new QFrame(this);
    box->setFrameShape(QFrame::StyledPanel);
    // Box layouts rather than a grid: a grid gives a wrapped label spanning
    // beside it less than its height.
    auto* row = new QHBoxLayout(box);
    row->setSpacing(12);
    const QMargins margins = row->contentsMargins();
    StepWidgets step = makeStep(i, column - badgeSize - row->spacing() - margins.left() - margins.right());
    row->addWidget(step.badge, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->addWidget(step.title);
    text->addWidget(step.detail);
    auto* action = new QHBoxLayout;
    action->addWidget(step.button);
    action->addWidget(step.granted);
    action->addStretch(1);
    text->addLayout(action);
    row->addLayout(text, 1);
    root->addWidget(box);
    steps_[i] = step;
  }

  auto* footer = new QHBoxLayout;
  footer->setSpacing(8);
  spinner_ = new Spinner(this);
  footer->addWidget(spinner_);
  footerSymbol_ = new QLabel(this);
  footer->addWidget(footerSymbol_);
  footerText_ = plainLabel(this);
  footer->addWidget(footerText_, 1);
  doneButton_ = new QPushButton(this);
  connect(doneButton_, &QPushButton::clicked, this, [this] {
    if (content_->onDone) content_->onDone();
  });
  footer->addWidget(doneButton_);
  root->addSpacing(4);
  root->addLayout(footer);
}

void OnboardingWindow::redraw() {
  if (std::optional<OnboardingContent> fresh = onboardingContent(*content_)) shown_ = std::move(*fresh);
  draw();
}

void OnboardingWindow::draw() {
  const qreal ratio = devicePixelRatioF();
  const QColor green = tintColor(Tint::green, palette());
  headerSymbol_->setPixmap(symbolPixmap(shown_.headerSymbol, palette().color(QPalette::Highlight), headerSymbolSize, ratio));
  setWrappedText(headerTitle_, shown_.headerTitle);
  setWrappedText(introduction_, shown_.introduction);

  for (std::size_t i = 0; i < steps_.size(); ++i) {
    const PermissionStep& spec = shown_.steps[i];
    const StepWidgets& step = steps_[i];
    step.badge->setPixmap(
        symbolPixmap(spec.badgeSymbol, spec.granted ? green : tintColor(Tint::secondary, palette()), badgeSize, ratio));
    step.title->setText(fromUtf8(spec.title));
    setWrappedText(step.detail, spec.detail);
    step.button->setText(buttonText(spec.buttonTitle));
    step.button->setVisible(!spec.granted);
    step.grantedSymbol->setPixmap(symbolPixmap("checkmark", green, markSize, ratio));
    step.grantedText->setText(fromUtf8(spec.grantedText));
    step.granted->setVisible(spec.granted);
  }

  const OnboardingFooter& footer = shown_.footer;
  spinner_->setVisible(footer.showsSpinner);
  footerSymbol_->setVisible(!footer.symbolName.empty());
  footerSymbol_->setPixmap(symbolPixmap(footer.symbolName, footer.confirmed ? green : palette().color(QPalette::WindowText),
                                        markSize, ratio));
  footerText_->setText(fromUtf8(footer.text));
  doneButton_->setText(buttonText(footer.doneTitle));
  doneButton_->setDefault(footer.doneIsDefault);
}

void OnboardingWindow::request(std::size_t step) {
  AppModel* model = content_->model.get();
  if (model == nullptr) return;
  switch (shown_.steps[step].request) {
    case PermissionRequest::accessibility:
      model->permissions().requestAccessibility();
      break;
    case PermissionRequest::inputMonitoring:
      model->permissions().requestInputMonitoring();
      break;
  }
}

}  // namespace marlinet::shell
