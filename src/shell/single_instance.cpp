#include "shell/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QUrl>
#include <iostream>
#include <utility>

#include "app/localization.h"
#include "shell/application_id.h"

namespace marlinet::shell {
namespace {

constexpr QLatin1String idText(applicationID.data(), applicationID.size());

constexpr char activateMessage[] = "activate\n";
constexpr int connectWaitMs = 500;
// A copy that is quitting closes its socket first and lets go of the lock
// when the process ends, well within this time.
constexpr int quittingCopyWaitMs = 1000;

QString runtimeFolder(const QString& chosen) {
  if (!chosen.isEmpty()) return chosen;
  const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(xdg)) return xdg;
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

// ":0" and ":0.1" are screens of one desktop; ":0" and ":1" are two desktops.
// Percent-encoded so that any display name makes one plain file name.
QString baseName(const QString& folder, QString display) {
  const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
  const qsizetype dot = display.indexOf(QLatin1Char('.'), colon + 1);
  if (colon >= 0 && dot > colon) display.truncate(dot);
  return folder + QLatin1Char('/') + idText + QLatin1Char('-') +
         QString::fromLatin1(QUrl::toPercentEncoding(display));
}

// True once the message is on its way: a copy that is busy reads it later.
bool tellRunningCopy(const QString& socketPath) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(connectWaitMs)) return false;
  socket.write(activateMessage);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(connectWaitMs)) return false;
  }
  socket.disconnectFromServer();
  return true;
}

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::claim(const QString& display, std::function<void()> onActivated,
                                                      const QString& runtimeDirectory) {
  const QString folder = runtimeFolder(runtimeDirectory);
  QDir().mkpath(folder);
  const QString base = baseName(folder, display);
  const QString socketPath = base + QStringLiteral(".socket");
  auto lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
  // Only a lock whose process is gone is stale, however old it is: a copy
  // may run for weeks.
  lock->setStaleLockTime(0);
  const auto primary = [&] {
    return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(lock), socketPath, std::move(onActivated)));
  };
  if (lock->tryLock(0)) return primary();
  if (lock->error() != QLockFile::LockFailedError) {
    // No lock can be made here (the folder is missing or not writable), so no
    // other copy can hold one either: run rather than lock the user out.
    std::cerr << localized("Marlinet cannot create its lock file; a second start will run a second copy.") << ' '
              << base.toStdString() << ".lock\n";
    return primary();
  }
  if (tellRunningCopy(socketPath)) return nullptr;
  // The lock is held but nobody listens: the copy is quitting (the lock goes
  // with its process), or it has just started and listens in a moment.
  if (lock->tryLock(quittingCopyWaitMs)) return primary();
  if (tellRunningCopy(socketPath)) return nullptr;
  // A copy holds the lock and cannot be reached (it hangs, or its socket was
  // deleted). A second copy would expand every shortcut twice, so this start
  // leaves, saying which process is in the way.
  qint64 pid = 0;
  QString hostName, application;
  lock->getLockInfo(&pid, &hostName, &application);
  std::cerr << localized("Marlinet is already running (process %lld) but does not answer; end that process to start "
                         "Marlinet again.",
                         pid)
            << '\n';
  return nullptr;
}

SingleInstance::SingleInstance(std::unique_ptr<QLockFile> lock, const QString& socketPath,
                               std::function<void()> onActivated)
    : lock_(std::move(lock)), onActivated_(std::move(onActivated)) {
  // The socket file of a copy that crashed is still there and would refuse the name.
  QLocalServer::removeServer(socketPath);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { accept(); });
  if (!server_.listen(socketPath)) {
    std::cerr << localized("Marlinet cannot listen for later starts; opening it again will not show this copy.")
              << ' ' << server_.errorString().toStdString() << '\n';
  }
}

SingleInstance::~SingleInstance() {
  // The socket goes first, so a start in between finds the lock still held and waits for it.
  server_.close();
  lock_->unlock();
}

void SingleInstance::accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    const auto read = [this, socket] {
      constexpr qint64 length = sizeof activateMessage - 1;
      if (socket->bytesAvailable() < length && socket->state() == QLocalSocket::ConnectedState) return;
      // One short message per start; anything else is not from Marlinet.
      const bool activate = socket->read(length) == activateMessage;
      QObject::disconnect(socket, nullptr, socket, nullptr);
      socket->abort();
      socket->deleteLater();
      if (activate && onActivated_) onActivated_();
    };
    QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
    QObject::connect(socket, &QLocalSocket::disconnected, socket, read);
    read();
  }
}

}  // namespace marlinet::shell
