#include "shell/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "app/localization.h"

namespace marlinet::shell {

std::optional<std::filesystem::path> QtDialogs::chooseFile(const OpenPanelRequest& request) {
  QFileDialog dialog(nullptr, QString::fromStdString(request.title), QDir::homePath());
  dialog.setFileMode(request.choosesFolders            ? QFileDialog::Directory
                     : request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                       : QFileDialog::ExistingFile);
  if (request.choosesFolders) dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!request.allowedExtensions.empty()) {
    QStringList patterns;
    for (const std::string& extension : request.allowedExtensions) {
      patterns << QStringLiteral("*.") + QString::fromStdString(extension);
    }
    dialog.setNameFilter(QString::fromStdString(localized("Text replacement lists")) + " (" + patterns.join(' ') + ")");
  }
  // Linux file dialogs have no place for the request's message; the title and the filter say enough.
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

void QtDialogs::showAlert(const std::string& message, const std::string& informativeText) {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(localized("Marlinet")),
                  QString::fromStdString(message), QMessageBox::Ok);
  box.setInformativeText(QString::fromStdString(informativeText));
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace marlinet::shell
