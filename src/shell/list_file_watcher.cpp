#include "shell/list_file_watcher.h"

#include <QFileInfo>
#include <system_error>

namespace marlinet::shell {

ListFileWatcher::ListFileWatcher(const std::filesystem::path& file, std::function<void()> changed)
    : file_(QString::fromStdString(file.string())), changed_(std::move(changed)) {
  std::error_code ignored;
  std::filesystem::create_directories(file.parent_path(), ignored);
  watcher_.addPath(QString::fromStdString(file.parent_path().string()));
  watchFile();
  settle_.setSingleShot(true);
  settle_.setInterval(settleMilliseconds);
  QObject::connect(&settle_, &QTimer::timeout, [this] {
    watchFile();
    if (changed_) changed_();
  });
  // A write in place shows only on the file; a replacement only on the folder.
  QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { settle_.start(); });
  QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { settle_.start(); });
}

void ListFileWatcher::watchFile() {
  // The watch follows the file that is there now; a replaced file's watch is gone.
  if (!watcher_.files().contains(file_) && QFileInfo::exists(file_)) watcher_.addPath(file_);
}

}  // namespace marlinet::shell
