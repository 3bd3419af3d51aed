#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "app/window_contents.h"
#include "replacements/replacement_list_document.h"
#include "shell/list_file_watcher.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace marlinet::shell {

// The editor of the user's own list: a searchable table of the file's
// replacements, each with the reason when Marlinet will not expand it, and
// below it the selected replacement's shortcut and phrase to edit. Every
// change is written to the file at once and the model reloads; a change made
// to the file elsewhere is shown as soon as it lands, unless the window holds
// a change of its own, when the user chooses which one wins.
class ReplacementsWindow final : public QWidget {
 public:
  explicit ReplacementsWindow(std::shared_ptr<ReplacementsWindowContent> content, QWidget* parent = nullptr);
  ReplacementsWindow(const ReplacementsWindow&) = delete;
  ReplacementsWindow& operator=(const ReplacementsWindow&) = delete;
  ~ReplacementsWindow() override;

  // What the user answers when the file changed underneath a change of
  // theirs; a question on screen unless a test answers it.
  enum class Resolution { reload, keepMine };
  std::function<Resolution()> askAfterOutsideChange;

  QSize sizeHint() const override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Rows;

  void load();
  void fileChanged();
  // Writes the editing fields into the list, if they differ from it.
  void applyFields();
  void startNewEntry();
  void deleteSelected();
  void undo();
  void exportList();
  void finish(ReplacementListDocument::SaveResult result, std::optional<std::size_t> select);
  // Redraws the list as the document holds it, with `select` chosen.
  void showRows(std::optional<std::size_t> select);
  void resolveOutsideChange(std::optional<std::size_t> keep);
  void showSelection();
  // Shows the chosen entry's texts, or empty fields.
  void fillFields();
  bool fieldsDiffer() const;
  std::vector<std::size_t> selectedEntries() const;
  void select(std::optional<std::size_t> entry);
  void redrawState();

  std::shared_ptr<ReplacementsWindowContent> content_;
  ReplacementListDocument document_;
  // The entry the fields show; none while adding a new one.
  std::optional<std::size_t> editing_;
  bool adding_ = false;
  bool filling_ = false;  // the fields are being filled, not typed in
  bool asking_ = false;   // the outside-change question is open

  QLabel* banner_ = nullptr;
  QLineEdit* search_ = nullptr;
  QTableView* table_ = nullptr;
  Rows* rows_ = nullptr;
  QSortFilterProxyModel* filter_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* undo_ = nullptr;
  QPushButton* export_ = nullptr;
  QLineEdit* shortcut_ = nullptr;
  QPlainTextEdit* phrase_ = nullptr;
  QLabel* problem_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* retry_ = nullptr;
  std::unique_ptr<ListFileWatcher> watcher_;
};

}  // namespace marlinet::shell
