#include "shell/replacements_window.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>
#include <utility>

#include "app/app_model.h"
#include "app/localization.h"

namespace marlinet::shell {
namespace {

constexpr int windowWidth = 640;
constexpr int windowHeight = 560;
// A row shows the start of its phrase; the fields below show all of it.
constexpr qsizetype previewLength = 200;

QString text(std::string_view value) { return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())); }
QString localizedText(std::string_view english) { return text(localized(english)); }

QString shortProblem(EntryProblem problem) {
  switch (problem) {
    case EntryProblem::none:
      return {};
    case EntryProblem::switchedOff:
      return localizedText("Off");
    case EntryProblem::emptyShortcut:
      return localizedText("No shortcut");
    case EntryProblem::emptyPhrase:
      return localizedText("No phrase");
    case EntryProblem::unsupportedCharacters:
      return localizedText("Not expanded");
    case EntryProblem::duplicate:
      return localizedText("Duplicate");
  }
  return {};
}

QString problemExplanation(EntryProblem problem) {
  switch (problem) {
    case EntryProblem::none:
      return {};
    case EntryProblem::switchedOff:
      return localizedText("This replacement is switched off in the file.");
    case EntryProblem::emptyShortcut:
      return localizedText("Type the shortcut you want to expand.");
    case EntryProblem::emptyPhrase:
      return localizedText("Type the phrase the shortcut expands to.");
    case EntryProblem::unsupportedCharacters:
      return text(localized(AppModel::nothingUsableInformation));
    case EntryProblem::duplicate:
      return localizedText("An earlier replacement has this shortcut; only the first one expands.");
  }
  return {};
}

// Line breaks and tabs made visible on one line.
QString preview(const std::string& phrase) {
  QString shown = text(phrase).left(previewLength);
  shown.replace(QLatin1String("\r\n"), QStringLiteral("⏎ "));
  shown.replace(QLatin1Char('\n'), QStringLiteral("⏎ "));
  shown.replace(QLatin1Char('\r'), QStringLiteral("⏎ "));
  shown.replace(QLatin1Char('\t'), QStringLiteral("⇥"));
  return shown;
}

}  // namespace

// The list as last read or written, with each entry's problem.
class ReplacementsWindow::Rows final : public QAbstractTableModel {
 public:
  enum Column { shortcutColumn, phraseColumn, problemColumn, columnCount_ };

  explicit Rows(QObject* parent) : QAbstractTableModel(parent) {}

  void show(const std::vector<ListEntry>& entries) {
    beginResetModel();
    entries_ = entries;
    problems_ = entryProblems(entries_);
    endResetModel();
  }

  const std::vector<EntryProblem>& problems() const { return problems_; }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : columnCount_; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const EntryProblem problem = problems_[row];
    switch (role) {
      case Qt::DisplayRole:
        if (index.column() == shortcutColumn) return text(entries_[row].shortcut);
        if (index.column() == phraseColumn) return preview(entries_[row].phrase);
        return shortProblem(problem);
      case Qt::ToolTipRole:
        return problemExplanation(problem);
      case Qt::DecorationRole:
        if (index.column() == problemColumn && problem != EntryProblem::none) {
          return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        }
        return {};
      default:
        return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == shortcutColumn) return localizedText("Shortcut");
    if (section == phraseColumn) return localizedText("Phrase");
    return localizedText("Note");
  }

 private:
  std::vector<ListEntry> entries_;
  std::vector<EntryProblem> problems_;
};

ReplacementsWindow::ReplacementsWindow(std::shared_ptr<ReplacementsWindowContent> content, QWidget* parent)
    : QWidget(parent), content_(std::move(content)), document_(content_->file, content_->files) {
  auto* layout = new QVBoxLayout(this);

  banner_ = new QLabel(this);
  banner_->setWordWrap(true);
  banner_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  banner_->hide();
  retry_ = new QPushButton(localizedText("Try Again"), this);
  retry_->hide();
  auto* bannerRow = new QHBoxLayout;
  bannerRow->addWidget(banner_, 1);
  bannerRow->addWidget(retry_);
  layout->addLayout(bannerRow);

  search_ = new QLineEdit(this);
  search_->setPlaceholderText(localizedText("Search"));
  search_->setClearButtonEnabled(true);
  layout->addWidget(search_);

  rows_ = new Rows(this);
  filter_ = new QSortFilterProxyModel(this);
  filter_->setSourceModel(rows_);
  filter_->setFilterKeyColumn(-1);
  filter_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  table_ = new QTableView(this);
  table_->setModel(filter_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(Rows::shortcutColumn, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(Rows::phraseColumn, QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(Rows::problemColumn, QHeaderView::ResizeToContents);
  layout->addWidget(table_, 1);

  add_ = new QPushButton(localizedText("Add"), this);
  delete_ = new QPushButton(localizedText("Delete"), this);
  undo_ = new QPushButton(localizedText("Undo"), this);
  export_ = new QPushButton(localizedText("Export…"), this);
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(add_);
  listButtons->addWidget(delete_);
  listButtons->addWidget(undo_);
  listButtons->addStretch(1);
  listButtons->addWidget(export_);
  layout->addLayout(listButtons);

  shortcut_ = new QLineEdit(this);
  phrase_ = new QPlainTextEdit(this);
  // Tab is part of a phrase; Shift+Tab still leaves the field.
  phrase_->setTabChangesFocus(false);
  phrase_->setFixedHeight(phrase_->fontMetrics().lineSpacing() * 5 + 12);
  problem_ = new QLabel(this);
  problem_->setWordWrap(true);
  apply_ = new QPushButton(this);
  auto* fields = new QFormLayout;
  fields->addRow(localizedText("Shortcut:"), shortcut_);
  fields->addRow(localizedText("Phrase:"), phrase_);
  layout->addLayout(fields);
  auto* applyRow = new QHBoxLayout;
  applyRow->addWidget(problem_, 1);
  applyRow->addWidget(apply_);
  layout->addLayout(applyRow);

  connect(search_, &QLineEdit::textChanged, filter_, &QSortFilterProxyModel::setFilterFixedString);
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { showSelection(); });
  connect(add_, &QPushButton::clicked, this, [this] { startNewEntry(); });
  connect(delete_, &QPushButton::clicked, this, [this] { deleteSelected(); });
  connect(undo_, &QPushButton::clicked, this, [this] { undo(); });
  connect(export_, &QPushButton::clicked, this, [this] { exportList(); });
  connect(apply_, &QPushButton::clicked, this, [this] { applyFields(); });
  connect(retry_, &QPushButton::clicked, this, [this] { finish(document_.save(), editing_); });
  connect(shortcut_, &QLineEdit::returnPressed, this, [this] { applyFields(); });
  connect(shortcut_, &QLineEdit::textChanged, this, [this] { redrawState(); });
  connect(phrase_, &QPlainTextEdit::textChanged, this, [this] { redrawState(); });

  table_->installEventFilter(this);
  // The text fields keep their own undo while they have the keyboard.
  connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, [this] { undo(); });
  connect(new QShortcut(QKeySequence::New, this), &QShortcut::activated, this, [this] { startNewEntry(); });
  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, search_,
          qOverload<>(&QLineEdit::setFocus));
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this), &QShortcut::activated, this,
          [this] { applyFields(); });

  askAfterOutsideChange = [this] {
    QMessageBox box(QMessageBox::Question, windowTitle(), localizedText("The list was changed outside Marlinet."),
                    QMessageBox::NoButton, this);
    box.setInformativeText(localizedText(
        "Show the list as it is now and drop your unsaved change, or keep your change and save it over the list?"));
    QPushButton* reload = box.addButton(localizedText("Show the Changed List"), QMessageBox::DestructiveRole);
    box.addButton(localizedText("Keep My Change"), QMessageBox::AcceptRole);
    box.exec();
    return box.clickedButton() == reload ? Resolution::reload : Resolution::keepMine;
  };

  // Quitting keeps what was typed, as closing the window does.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { applyFields(); });

  load();
  if (!document_.entries().empty()) select(0);
  watcher_ = std::make_unique<ListFileWatcher>(content_->file, [this] { fileChanged(); });
}

ReplacementsWindow::~ReplacementsWindow() = default;

QSize ReplacementsWindow::sizeHint() const { return {windowWidth, windowHeight}; }

bool ReplacementsWindow::eventFilter(QObject* watched, QEvent* event) {
  // Delete and Backspace in the list delete the chosen rows.
  if (watched == table_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
      deleteSelected();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ReplacementsWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!fieldsDiffer() && !document_.hasUnsavedChanges() && document_.changedOnDisk()) load();
  // An empty list has nothing to choose: the first replacement can be typed at once.
  if (document_.entries().empty() && !adding_) {
    startNewEntry();
  } else {
    (adding_ ? static_cast<QWidget*>(shortcut_) : table_)->setFocus();
  }
}

void ReplacementsWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ReplacementsWindow::hideEvent(QHideEvent* event) {
  // Closing the window keeps what was typed, as every other change is kept.
  applyFields();
  QWidget::hideEvent(event);
}

void ReplacementsWindow::load() {
  document_.load();
  adding_ = false;
  const std::optional<std::size_t> keep = editing_;
  showRows(keep && *keep < document_.entries().size() ? keep : std::nullopt);
}

void ReplacementsWindow::showRows(std::optional<std::size_t> selectEntry) {
  editing_.reset();
  filling_ = true;
  rows_->show(document_.entries());
  filling_ = false;
  select(selectEntry);
}

void ReplacementsWindow::fileChanged() {
  // While the question is open, the answer decides; our own write is no change.
  if (asking_ || !document_.changedOnDisk()) return;
  if (fieldsDiffer()) {
    applyFields();  // finds the file changed and asks
  } else if (document_.hasUnsavedChanges()) {
    resolveOutsideChange(editing_);
  } else {
    load();
  }
}

void ReplacementsWindow::applyFields() {
  if (!fieldsDiffer() || document_.state() != ReplacementListDocument::State::editable) return;
  if (adding_) {
    adding_ = false;
    const std::size_t added = document_.entries().size();
    finish(document_.add(ListEntry{shortcut_->text().toStdString(), phrase_->toPlainText().toStdString(), {}}),
           added);
    return;
  }
  const std::size_t index = *editing_;
  ListEntry entry = document_.entries()[index];
  // A field the user left alone keeps the file's text as it was, even where
  // the field cannot show it exactly (a carriage return).
  if (shortcut_->isModified()) entry.shortcut = shortcut_->text().toStdString();
  if (phrase_->document()->isModified()) entry.phrase = phrase_->toPlainText().toStdString();
  finish(document_.replace(index, std::move(entry)), index);
}

void ReplacementsWindow::startNewEntry() {
  if (document_.state() != ReplacementListDocument::State::editable) return;
  applyFields();
  select(std::nullopt);
  adding_ = true;
  redrawState();  // enables the fields, which only then take the keyboard
  shortcut_->setFocus();
}

void ReplacementsWindow::deleteSelected() {
  const std::vector<std::size_t> chosen = selectedEntries();
  if (chosen.empty() || document_.state() != ReplacementListDocument::State::editable) return;
  // What was being typed into a row that goes anyway does not matter.
  editing_.reset();
  const std::size_t first = *std::min_element(chosen.begin(), chosen.end());
  const auto result = document_.remove(chosen);
  const std::size_t count = document_.entries().size();
  finish(result, count == 0 ? std::nullopt : std::optional(std::min(first, count - 1)));
}

void ReplacementsWindow::undo() {
  if (fieldsDiffer()) {
    // What is being typed is the latest change: it goes first.
    fillFields();
    redrawState();
    return;
  }
  if (!document_.canUndo()) return;
  adding_ = false;
  const std::optional<std::size_t> keep = editing_;
  editing_.reset();
  const auto result = document_.undo();
  const std::size_t count = document_.entries().size();
  finish(result, keep && *keep < count ? keep : std::nullopt);
}

void ReplacementsWindow::exportList() {
  applyFields();
  const QString chosen = QFileDialog::getSaveFileName(
      this, localizedText("Export Replacements"), QDir::home().filePath(QStringLiteral("Text Substitutions.plist")),
      localizedText("Text replacement lists") + QStringLiteral(" (*.plist)"));
  if (chosen.isEmpty()) return;
  QSaveFile file(chosen);
  const std::string bytes = document_.exportedBytes();
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
      !file.commit()) {
    QMessageBox::warning(this, windowTitle(), localizedText("The list could not be exported."),
                         QMessageBox::Ok);
  }
}

void ReplacementsWindow::finish(ReplacementListDocument::SaveResult result, std::optional<std::size_t> selectEntry) {
  showRows(selectEntry);
  if (result == ReplacementListDocument::SaveResult::saved) {
    if (AppModel* model = content_->model.get()) model->reload();
  } else if (result == ReplacementListDocument::SaveResult::changedOnDisk) {
    resolveOutsideChange(selectEntry);
  }
  redrawState();
}

void ReplacementsWindow::resolveOutsideChange(std::optional<std::size_t> keep) {
  asking_ = true;
  const bool keepMine = askAfterOutsideChange && askAfterOutsideChange() == Resolution::keepMine;
  asking_ = false;
  if (keepMine) {
    finish(document_.saveOverwriting(), keep);
  } else {
    load();
    if (AppModel* model = content_->model.get()) model->reload();
  }
}

void ReplacementsWindow::showSelection() {
  if (filling_) return;
  const std::vector<std::size_t> chosen = selectedEntries();
  if (fieldsDiffer()) {
    // Moving on keeps what was typed; the list is redrawn, so the choice is
    // made again on the new rows.
    applyFields();
    filling_ = true;
    table_->clearSelection();
    for (const std::size_t entry : chosen) {
      const QModelIndex at = filter_->mapFromSource(rows_->index(static_cast<int>(entry), 0));
      if (at.isValid()) table_->selectionModel()->select(at, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    filling_ = false;
  }
  adding_ = false;
  editing_ = chosen.size() == 1 ? std::optional(chosen.front()) : std::nullopt;
  fillFields();
  redrawState();
}

void ReplacementsWindow::fillFields() {
  filling_ = true;
  const ListEntry* entry = editing_ && !adding_ ? &document_.entries()[*editing_] : nullptr;
  shortcut_->setText(entry ? text(entry->shortcut) : QString());
  shortcut_->setModified(false);
  phrase_->setPlainText(entry ? text(entry->phrase) : QString());
  phrase_->document()->setModified(false);
  filling_ = false;
}

bool ReplacementsWindow::fieldsDiffer() const {
  if (adding_) return !shortcut_->text().isEmpty() || !phrase_->toPlainText().isEmpty();
  if (!editing_ || *editing_ >= document_.entries().size()) return false;
  return shortcut_->isModified() || phrase_->document()->isModified();
}

std::vector<std::size_t> ReplacementsWindow::selectedEntries() const {
  std::vector<std::size_t> chosen;
  for (const QModelIndex& row : table_->selectionModel()->selectedRows()) {
    chosen.push_back(static_cast<std::size_t>(filter_->mapToSource(row).row()));
  }
  std::sort(chosen.begin(), chosen.end());
  return chosen;
}

void ReplacementsWindow::select(std::optional<std::size_t> entry) {
  table_->clearSelection();
  if (entry) {
    const QModelIndex at = filter_->mapFromSource(rows_->index(static_cast<int>(*entry), 0));
    if (at.isValid()) {
      table_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      table_->scrollTo(at);
    }
  }
  showSelection();
}

void ReplacementsWindow::redrawState() {
  if (filling_) return;
  const bool editable = document_.state() == ReplacementListDocument::State::editable;
  const QString file = QString::fromStdString(document_.file().string());
  if (!editable) {
    banner_->setText(localizedText("“%1” is not a replacement list Marlinet can edit, so it is left as it is. "
                                   "When it is fixed or moved away, the list shows here.")
                         .arg(file));
  } else if (document_.hasUnsavedChanges()) {
    banner_->setText(
        localizedText("Your last change could not be saved to “%1”. It is kept here until it can be.").arg(file));
  }
  banner_->setVisible(!editable || document_.hasUnsavedChanges());
  retry_->setVisible(editable && document_.hasUnsavedChanges());

  const bool hasFields = editable && (adding_ || editing_.has_value());
  shortcut_->setEnabled(hasFields);
  phrase_->setEnabled(hasFields);
  add_->setEnabled(editable);
  delete_->setEnabled(editable && !selectedEntries().empty());
  undo_->setEnabled(editable && (document_.canUndo() || fieldsDiffer()));
  export_->setEnabled(editable);
  apply_->setText(adding_ ? localizedText("Add Replacement") : localizedText("Save"));

  // What Marlinet will make of the entry as typed, before it is kept.
  EntryProblem problem = EntryProblem::none;
  if (hasFields) {
    const std::vector<ListEntry>& entries = document_.entries();
    const std::size_t at = adding_ ? entries.size() : *editing_;
    ListEntry typed{shortcut_->text().toStdString(), phrase_->toPlainText().toStdString(),
                    adding_ ? PropertyList::Dictionary{} : entries[at].otherKeys};
    problem = problemAt(entries, rows_->problems(), at, typed);
  }
  problem_->setText(hasFields || !editable ? problemExplanation(problem)
                                          : localizedText("Choose a replacement to edit it, or add one."));
  const bool incomplete = problem == EntryProblem::emptyShortcut || problem == EntryProblem::emptyPhrase;
  apply_->setEnabled(hasFields && fieldsDiffer() && !(adding_ && incomplete));
}

}  // namespace marlinet::shell
