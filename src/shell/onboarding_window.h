#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <memory>

#include "app/change_publisher.h"
#include "app/content/onboarding_content.h"
#include "app/window_contents.h"

namespace marlinet::shell {

// The window that walks the user through the two permissions. It draws the
// model's onboarding content, and keeps the model's permission polling
// running only while it is on screen, since nothing else may wake an idle
// process on this desktop.
class OnboardingWindow final : public QWidget {
 public:
  explicit OnboardingWindow(std::shared_ptr<OnboardingWindowContent> content, QWidget* parent = nullptr);
  OnboardingWindow(const OnboardingWindow&) = delete;
  OnboardingWindow& operator=(const OnboardingWindow&) = delete;
  ~OnboardingWindow() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Return presses "Done" while it is the default button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct StepWidgets {
    QLabel* badge;
    QLabel* title;
    QLabel* detail;
    QPushButton* button;    // while not granted
    QWidget* granted;       // instead of the button once granted
    QLabel* grantedSymbol;
    QLabel* grantedText;
  };

  void build();
  StepWidgets makeStep(std::size_t index, int textWidth);
  void redraw();
  void draw();
  void request(std::size_t step);

  std::shared_ptr<OnboardingWindowContent> content_;
  // The last content drawn; kept once the model is gone.
  OnboardingContent shown_;

  QLabel* headerSymbol_ = nullptr;
  QLabel* headerTitle_ = nullptr;
  QLabel* introduction_ = nullptr;
  std::array<StepWidgets, 2> steps_{};
  QWidget* spinner_ = nullptr;
  QLabel* footerSymbol_ = nullptr;
  QLabel* footerText_ = nullptr;
  QPushButton* doneButton_ = nullptr;

  Subscription changes_;
};

}  // namespace marlinet::shell
