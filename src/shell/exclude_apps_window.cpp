#include "shell/exclude_apps_window.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/app_model.h"
#include "app/localization.h"
#include "app/model_content.h"
#include "shell/desktop_applications.h"

namespace marlinet::shell {
namespace {

constexpr int tagRole = Qt::UserRole + 1;
constexpr int windowWidth = 420;
constexpr int windowHeight = 520;
constexpr int iconSize = 24;

QString text(const std::string& value) { return QString::fromStdString(value); }

// Draws a row as usual and the default tag after its name, in the dimmed
// text colour, shortening the name rather than the tag when room runs out.
class TaggedRowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QString tag = index.data(tagRole).toString();
    if (tag.isEmpty()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
    const QFontMetrics metrics(opt.font);
    const int gap = metrics.horizontalAdvance(QLatin1Char(' ')) * 2;
    const int tagWidth = metrics.horizontalAdvance(tag);
    const int nameRoom = std::max(0, textRect.width() - 2 * margin - gap - tagWidth);
    opt.text = metrics.elidedText(opt.text, Qt::ElideRight, nameRoom);
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const bool selected = (opt.state & QStyle::State_Selected) != 0;
    QColor colour = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText);
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(colour);
    const int left = textRect.left() + margin + metrics.horizontalAdvance(opt.text) + gap;
    painter->drawText(QRect(left, textRect.top(), tagWidth + margin, textRect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, tag);
    painter->restore();
  }
};

}  // namespace

// The rows of the last content drawn. A check box click becomes a command to
// the model; the row changes only when the model's answer is drawn.
class ExcludeAppsWindow::Rows final : public QAbstractListModel {
 public:
  Rows(std::function<bool(const std::string& id, bool checked)> toggle, QObject* parent)
      : QAbstractListModel(parent), toggle_(std::move(toggle)) {}

  // Updates the rows in place when the same applications are listed in the
  // same order (a click changes one check box), so that the view keeps its
  // scroll position, selection and focus; rebuilds them otherwise.
  void show(std::vector<ExcludeAppsRow> rows, const std::string& defaultTag) {
    const bool sameList = std::equal(rows.begin(), rows.end(), rows_.begin(), rows_.end(),
                                     [](const ExcludeAppsRow& a, const ExcludeAppsRow& b) { return a.entry.id == b.entry.id; });
    const bool sameTag = defaultTag == defaultTag_;
    if (!sameList || !sameTag) {
      beginResetModel();
      rows_ = std::move(rows);
      defaultTag_ = defaultTag;
      endResetModel();
      return;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ExcludeAppsRow& shown = rows_[i];
      ExcludeAppsRow& next = rows[i];
      const bool changed = shown.checked != next.checked || shown.entry.name != next.entry.name ||
                           shown.entry.isDefault != next.entry.isDefault || iconKey(shown) != iconKey(next);
      shown = std::move(next);
      if (changed) {
        const QModelIndex at = index(static_cast<int>(i));
        dataChanged(at, at);
      }
    }
  }

  std::string idAt(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].entry.id : std::string();
  }
  int rowOf(const std::string& id) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (rows_[i].entry.id == id) return static_cast<int>(i);
    }
    return -1;
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }

  QVariant data(const QModelIndex& at, int role) const override {
    if (!at.isValid() || at.row() >= rowCount()) return {};
    const ExcludeAppsRow& row = rows_[static_cast<std::size_t>(at.row())];
    switch (role) {
      case Qt::DisplayRole: return text(row.entry.name);
      case Qt::DecorationRole: return icon(iconKey(row));
      case Qt::CheckStateRole: return row.checked ? Qt::Checked : Qt::Unchecked;
      case tagRole: return row.entry.isDefault ? text(defaultTag_) : QString();
      default: return {};
    }
  }

  bool setData(const QModelIndex& at, const QVariant& value, int role) override {
    if (role != Qt::CheckStateRole || !at.isValid() || at.row() >= rowCount()) return false;
    // Copied: the model's answer redraws the rows before this returns.
    const std::string id = rows_[static_cast<std::size_t>(at.row())].entry.id;
    return toggle_(id, value.value<Qt::CheckState>() == Qt::Checked);
  }

  Qt::ItemFlags flags(const QModelIndex& at) const override {
    if (!at.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
  }

 private:
  static std::string iconKey(const ExcludeAppsRow& row) {
    const auto* desktop = dynamic_cast<const DesktopIcon*>(row.entry.icon.get());
    return desktop ? desktop->nameOrPath : std::string();
  }

  // Asked only for the rows the view draws, so that thousands of
  // applications cost no icon lookups until they scroll into view.
  QIcon icon(const std::string& nameOrPath) const {
    if (generic_.isNull()) {
      generic_ = QIcon::fromTheme(QStringLiteral("application-x-executable"),
                                  QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    }
    if (nameOrPath.empty()) return generic_;
    const QString key = text(nameOrPath);
    if (const auto cached = icons_.constFind(key); cached != icons_.constEnd()) return *cached;
    QIcon found;
    if (QFileInfo(key).isAbsolute()) {
      if (QFileInfo(key).isFile()) found = QIcon(key);
    } else {
      // Older files name their icon with its file's extension.
      QString name = key;
      for (const char* extension : {".png", ".svg", ".xpm"}) {
        if (name.endsWith(QLatin1String(extension))) name.chop(4);
      }
      found = QIcon::fromTheme(name);
    }
    if (found.isNull() || found.availableSizes().isEmpty()) found = generic_;
    icons_.insert(key, found);
    return found;
  }

  std::function<bool(const std::string&, bool)> toggle_;
  std::vector<ExcludeAppsRow> rows_;
  std::string defaultTag_;
  mutable QIcon generic_;
  mutable QHash<QString, QIcon> icons_;
};

ExcludeAppsWindow::ExcludeAppsWindow(std::shared_ptr<ExcludeAppsWindowContent> content, QWidget* parent)
    : QWidget(parent), content_(std::move(content)) {
  setFixedSize(windowWidth, windowHeight);

  header_ = new QLabel(this);
  header_->setWordWrap(true);
  search_ = new QLineEdit(this);
  search_->setPlaceholderText(text(localized("Search")));
  search_->setClearButtonEnabled(true);

  rows_ = new Rows(
      [this](const std::string& id, bool checked) {
        AppModel* model = content_->model.get();
        if (model == nullptr) return false;
        model->setExcluded(id, checked);
        return true;
      },
      this);
  filter_ = new QSortFilterProxyModel(this);
  filter_->setSourceModel(rows_);
  filter_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  filter_->setFilterRole(Qt::DisplayRole);

  list_ = new QListView(this);
  // Every row the same height: the view then lays out thousands of rows
  // without asking each one for its size.
  list_->setUniformItemSizes(true);
  list_->setIconSize(QSize(iconSize, iconSize));
  list_->setItemDelegate(new TaggedRowDelegate(list_));
  list_->setModel(filter_);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  footer_ = new QLabel(this);
  footer_->setWordWrap(true);
  footer_->setForegroundRole(QPalette::PlaceholderText);
  restoreDefaults_ = new QPushButton(this);
  restoreDefaults_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(restoreDefaults_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header_);
  layout->addWidget(search_);
  layout->addWidget(list_, 1);
  layout->addWidget(footer_);
  layout->addLayout(buttons);

  connect(search_, &QLineEdit::textChanged, filter_, &QSortFilterProxyModel::setFilterFixedString);
  connect(restoreDefaults_, &QPushButton::clicked, this, [this] {
    if (AppModel* model = content_->model.get()) model->restoreDefaultExclusions();
  });
  if (AppModel* model = content_->model.get()) changes_ = model->subscribe([this] { redraw(); });
  redraw();
  search_->setFocus();
}

ExcludeAppsWindow::~ExcludeAppsWindow() { changes_.cancel(); }

void ExcludeAppsWindow::redraw() {
  std::optional<ExcludeAppsContent> content = excludeAppsContent(*content_);
  if (!content) return;
  header_->setText(text(content->header));
  footer_->setText(text(content->footerNote));
  restoreDefaults_->setText(text(content->restoreDefaultsTitle).replace(u'&', QStringLiteral("&&")));

  // A rebuilt list keeps the row the user was on and how far it was scrolled.
  const std::string current = rows_->idAt(filter_->mapToSource(list_->currentIndex()).row());
  const int scrolled = list_->verticalScrollBar()->value();
  rows_->show(std::move(content->rows), content->defaultTag);
  if (!current.empty() && !list_->currentIndex().isValid()) {
    const QModelIndex at = filter_->mapFromSource(rows_->index(rows_->rowOf(current)));
    if (at.isValid()) list_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
  }
  list_->verticalScrollBar()->setValue(scrolled);
}

void ExcludeAppsWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ExcludeAppsWindow::showEvent(QShowEvent* event) {
  // Applications may have been installed or removed while it was hidden.
  if (shownBefore_) redraw();
  shownBefore_ = true;
  QWidget::showEvent(event);
}

}  // namespace marlinet::shell
