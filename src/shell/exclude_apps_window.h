#pragma once

#include <QWidget>
#include <memory>

#include "app/change_publisher.h"
#include "app/window_contents.h"

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QSortFilterProxyModel;

namespace marlinet::shell {

// The excluded-apps window: the list the model's content builder makes, one
// check box per application, narrowed by a search field; each click goes to
// the model, whose change notice redraws the list. Once the model is gone it
// keeps showing the last list and its controls do nothing.
class ExcludeAppsWindow final : public QWidget {
 public:
  explicit ExcludeAppsWindow(std::shared_ptr<ExcludeAppsWindowContent> content, QWidget* parent = nullptr);
  ExcludeAppsWindow(const ExcludeAppsWindow&) = delete;
  ExcludeAppsWindow& operator=(const ExcludeAppsWindow&) = delete;
  ~ExcludeAppsWindow() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  class Rows;

  void redraw();

  std::shared_ptr<ExcludeAppsWindowContent> content_;
  QLabel* header_ = nullptr;
  QLineEdit* search_ = nullptr;
  QListView* list_ = nullptr;
  QLabel* footer_ = nullptr;
  QPushButton* restoreDefaults_ = nullptr;
  Rows* rows_ = nullptr;
  QSortFilterProxyModel* filter_ = nullptr;
  bool shownBefore_ = false;
  Subscription changes_;
};

}  // namespace marlinet::shell
