#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

namespace marlinet::shell {

// One running copy per user and X display. The first start holds a lock file
// and listens on a local socket beside it; a later start tells it to show
// itself and leaves.
class SingleInstance final {
 public:
  // Answers the primary (holds the lock; `onActivated` runs on the calling
  // thread's event loop each time a later start asks), or nothing after it
  // told the running copy to show itself (the caller then exits with status 0).
  // Also nothing, with a line on standard error, when a running copy holds the
  // lock but cannot be reached. Never blocks for more than about 1.5 s.
  // `runtimeDirectory`: where the lock and socket live; empty means
  // $XDG_RUNTIME_DIR, or the platform's runtime folder when that is unset.
  static std::unique_ptr<SingleInstance> claim(const QString& display, std::function<void()> onActivated,
                                               const QString& runtimeDirectory = {});

  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  // Whether later starts can reach this copy (listening may fail; the lock still holds).
  bool isListening() const { return server_.isListening(); }

 private:
  SingleInstance(std::unique_ptr<QLockFile> lock, const QString& socketPath, std::function<void()> onActivated);
  void accept();

  std::unique_ptr<QLockFile> lock_;
  std::function<void()> onActivated_;
  QLocalServer server_;
};

}  // namespace marlinet::shell
