#include "updates/update_window.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <string_view>
#include <utility>

#include "app/localization.h"
#include "updates/appcast.h"

namespace marlinet::updates {
namespace {

QString text(std::string_view english) { return QString::fromStdString(localized(english)); }
// `english` with its "%@" replaced by `value`, after lookup.
QString text(std::string_view english, const QString& value) { return text(english).replace(QStringLiteral("%@"), value); }

bool isWebLink(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"https" || scheme == u"http");
}

// Release notes come from the network: nothing they name is loaded (no
// remote or local images, no style sheets), and only web links open, in the
// user's browser.
class NotesBrowser final : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

}  // namespace

UpdateWindow::UpdateWindow(QString runningVersion, QWidget* parent)
    : QDialog(parent), runningVersion_(std::move(runningVersion)) {
  setWindowTitle(text("Software Update"));
  auto* layout = new QVBoxLayout(this);

  headline_ = new QLabel(this);
  QFont bold = headline_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  headline_->setFont(bold);
  headline_->setTextFormat(Qt::PlainText);
  headline_->setWordWrap(true);
  layout->addWidget(headline_);

  detail_ = new QLabel(this);
  detail_->setTextFormat(Qt::PlainText);
  detail_->setWordWrap(true);
  layout->addWidget(detail_);

  busy_ = new QProgressBar(this);
  busy_->setRange(0, 0);
  busy_->setTextVisible(false);
  layout->addWidget(busy_);

  auto* notes = new NotesBrowser(this);
  notes->setOpenLinks(false);
  connect(notes, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
    if (isWebLink(url)) QDesktopServices::openUrl(url);
  });
  notes_ = notes;
  layout->addWidget(notes_, 1);
  layout->addStretch();  // takes the room of the notes when there are none

  buttons_ = new QDialogButtonBox(this);
  cancel_ = buttons_->addButton(text("Cancel"), QDialogButtonBox::RejectRole);
  later_ = buttons_->addButton(text("Later"), QDialogButtonBox::RejectRole);
  close_ = buttons_->addButton(text("OK"), QDialogButtonBox::AcceptRole);
  downloadButton_ = buttons_->addButton(text("Download"), QDialogButtonBox::AcceptRole);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(later_, &QPushButton::clicked, this, &QDialog::reject);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
  connect(downloadButton_, &QPushButton::clicked, this, [this] {
    QDesktopServices::openUrl(download_);
    accept();
  });
  layout->addWidget(buttons_);
  setMinimumWidth(400);
}

UpdateWindow::~UpdateWindow() = default;

void UpdateWindow::showChecking() {
  headline_->setText(text("Checking for updates…"));
  detail_->clear();
  present(Page::checking);
}

void UpdateWindow::showUpToDate() {
  headline_->setText(text("You’re up to date"));
  detail_->setText(text("Marlinet %@ is the newest version.", runningVersion_));
  present(Page::upToDate);
}

void UpdateWindow::showAvailable(const AppcastRelease& release) {
  headline_->setText(text("Marlinet %@ is available", release.version()));
  detail_->setText(text("You have version %@.", runningVersion_));
  download_ = isWebLink(release.downloadPage()) ? release.downloadPage() : QUrl();
  notes_->clear();
  if (!release.notes.trimmed().isEmpty()) {
    if (Qt::mightBeRichText(release.notes)) {
      notes_->setHtml(release.notes);
    } else {
      notes_->setPlainText(release.notes);
    }
  } else if (isWebLink(release.releaseNotesLink)) {
    notes_->setHtml(QStringLiteral("<p><a href=\"%1\">%2</a></p>")
                        .arg(release.releaseNotesLink.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                             text("Read the release notes").toHtmlEscaped()));
  }
  present(Page::available);
}

void UpdateWindow::showFailure(const QString& message) {
  headline_->setText(text("Marlinet could not check for updates"));
  detail_->setText(message);
  present(Page::failed);
}

QString UpdateWindow::headline() const { return headline_->text(); }
QString UpdateWindow::detail() const { return detail_->text(); }
QString UpdateWindow::notes() const { return notes_->toPlainText(); }

void UpdateWindow::reject() {
  const bool checking = page_ == Page::checking && isVisible();
  QDialog::reject();
  if (checking && onCancel) onCancel();
}

void UpdateWindow::present(Page page) {
  page_ = page;
  const bool available = page == Page::available;
  detail_->setVisible(!detail_->text().isEmpty());
  busy_->setVisible(page == Page::checking);
  notes_->setVisible(available && !notes_->document()->isEmpty());
  cancel_->setVisible(page == Page::checking);
  later_->setVisible(available && download_.isValid());
  downloadButton_->setVisible(available && download_.isValid());
  close_->setVisible(page == Page::upToDate || page == Page::failed || (available && !download_.isValid()));
  (downloadButton_->isVisible() ? downloadButton_ : close_)->setDefault(true);
  if (available && notes_->isVisibleTo(this)) {
    resize(qMax(width(), 520), qMax(height(), 420));
  } else {
    adjustSize();
  }
  show();
  raise();
  activateWindow();
}

}  // namespace marlinet::updates
