#pragma once

#include <QFileSystemWatcher>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace marlinet::shell {

// Calls `changed` shortly after the file at `file` is written, replaced or
// removed, by whoever. A file replaced atomically is a new file, so the
// folder is watched, made first when missing. A burst of writes (an editor
// saving in steps) makes one call. Costs nothing while nothing changes.
class ListFileWatcher final {
 public:
  ListFileWatcher(const std::filesystem::path& file, std::function<void()> changed);
  ListFileWatcher(const ListFileWatcher&) = delete;
  ListFileWatcher& operator=(const ListFileWatcher&) = delete;

  static constexpr int settleMilliseconds = 150;

 private:
  void watchFile();

  QString file_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  std::function<void()> changed_;
};

}  // namespace marlinet::shell
