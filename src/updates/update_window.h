#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <functional>

class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTextBrowser;

namespace marlinet::updates {

struct AppcastRelease;

// The updater's one window: the progress of a check, then its result. It
// only shows; the updater decides what and when. Marlinet never replaces its
// own files: "Download" opens the release's page in the browser.
class UpdateWindow final : public QDialog {
 public:
  enum class Page { checking, upToDate, available, failed };

  explicit UpdateWindow(QString runningVersion, QWidget* parent = nullptr);
  UpdateWindow(const UpdateWindow&) = delete;
  UpdateWindow& operator=(const UpdateWindow&) = delete;
  ~UpdateWindow() override;

  void showChecking();
  void showUpToDate();
  void showAvailable(const AppcastRelease& release);
  void showFailure(const QString& message);

  // Cancel, or the window closed, while a check runs.
  std::function<void()> onCancel;

  Page page() const { return page_; }
  QString headline() const;
  QString detail() const;
  QString notes() const;
  void reject() override;

 private:
  void present(Page page);

  QString runningVersion_;
  Page page_ = Page::checking;
  QUrl download_;
  QLabel* headline_ = nullptr;
  QLabel* detail_ = nullptr;
  QProgressBar* busy_ = nullptr;
  QTextBrowser* notes_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* later_ = nullptr;
  QPushButton* downloadButton_ = nullptr;
};

}  // namespace marlinet::updates
