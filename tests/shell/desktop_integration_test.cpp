#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>

#include "shell/single_instance.h"
#include "shell/xdg_autostart.h"

namespace marlinet::shell {
namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

TEST(XdgAutostartTest, EnableWritesAValidEntryThatStartsTheProgramAndDisableRemovesIt) {
  struct Row {
    const char* command;
    const char* exec;  // as written in the file
  };
  // Quoted when needed; inside quotes " ` $ \ are escaped, then % is doubled
  // and every backslash doubled once more for the file's string escaping.
  for (const Row& row : {Row{"/usr/bin/marlinet", "/usr/bin/marlinet"},
                         Row{"/opt/My Apps/marlinet", "\"/opt/My Apps/marlinet\""},
                         Row{"/opt/a$b\\c\"d%e/marlinet", "\"/opt/a\\\\$b\\\\\\\\c\\\\\"d%%e/marlinet\""}}) {
    SCOPED_TRACE(row.command);
    QTemporaryDir home;
    XdgAutostart autostart(home.filePath("config/autostart"), QString::fromUtf8(row.command));
    EXPECT_FALSE(autostart.isEnabled());
    ASSERT_TRUE(autostart.enable()) << "creates the missing folders";
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_TRUE(readAll(autostart.entryPath()).contains("\nExec=" + QByteArray(row.exec) + "\n"))
        << readAll(autostart.entryPath()).toStdString();
    QProcess validate;
    validate.start("desktop-file-validate", {autostart.entryPath()});
    ASSERT_TRUE(validate.waitForFinished());
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    EXPECT_EQ(QFileInfo(autostart.entryPath()).dir().entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left";

    EXPECT_TRUE(autostart.disable());
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_TRUE(autostart.disable()) << "already absent";
  }
}

TEST(XdgAutostartTest, AnswersFalseWhenTheFolderCannotTakeTheEntryAndReadsTheTruth) {
  QTemporaryDir home;
  // A file where the folder should be.
  write(home.filePath("autostart"), "not a folder");
  XdgAutostart blocked(home.filePath("autostart"), "/usr/bin/marlinet");
  EXPECT_FALSE(blocked.enable());
  EXPECT_FALSE(blocked.isEnabled());
  EXPECT_TRUE(blocked.disable()) << "no entry is there";

  // Something that is not an entry and cannot be removed sits at the entry's name.
  XdgAutostart occupied(home.filePath("other"), "/usr/bin/marlinet");
  ASSERT_TRUE(QDir().mkpath(occupied.entryPath() + "/inside"));
  EXPECT_FALSE(occupied.enable());
  EXPECT_FALSE(occupied.isEnabled());
  EXPECT_FALSE(occupied.disable());
}

TEST(XdgAutostartTest, AnEntrySwitchedOffInTheDesktopsSettingsReadsAsOff) {
  struct Row {
    const char* lines;
    bool on;
  };
  for (const Row& row : {Row{"Hidden=true\n", false}, Row{"X-GNOME-Autostart-enabled=false\n", false},
                         Row{"X-GNOME-Autostart-enabled = false\n", false}, Row{"Hidden=false\n", true},
                         Row{"X-GNOME-Autostart-enabled=true\n", true},
                         Row{"[Desktop Action quit]\nName=Quit\nExec=marlinet quit\nHidden=true\n", true}}) {
    SCOPED_TRACE(row.lines);
    QTemporaryDir folder;
    XdgAutostart autostart(folder.path(), "/usr/bin/marlinet");
    ASSERT_TRUE(autostart.enable());
    write(autostart.entryPath(), readAll(autostart.entryPath()) + row.lines);
    EXPECT_EQ(autostart.isEnabled(), row.on);
  }
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  // Runs the event loop until `activations` reaches `count` or 5 s pass.
  void awaitActivations(int count) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (activations >= count) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  std::unique_ptr<SingleInstance> claim(const QString& display) {
    return SingleInstance::claim(display, [this] { ++activations; }, runtime.path());
  }

  QTemporaryDir runtime;
  int activations = 0;
};

TEST_F(SingleInstanceTest, ALaterStartOnTheSameDisplayShowsTheRunningCopyAndLeaves) {
  auto primary = claim(":1");
  ASSERT_TRUE(primary);
  ASSERT_TRUE(primary->isListening());
  for (const char* display : {":1", ":1.0"}) {
    EXPECT_FALSE(claim(display)) << display;
  }
  awaitActivations(2);
  EXPECT_EQ(activations, 2);

  auto other = claim(":0");
  EXPECT_TRUE(other) << "another desktop runs its own copy";
  primary.reset();
  EXPECT_TRUE(claim(":1")) << "the lock and socket go with the copy";
}

TEST_F(SingleInstanceTest, WhatACrashedCopyLeftDoesNotStopTheNextStart) {
  QProcess gone;
  gone.start("true");
  ASSERT_TRUE(gone.waitForStarted());
  const qint64 deadPid = gone.processId();
  ASSERT_TRUE(gone.waitForFinished());
  const QString base = runtime.filePath("tarnwick-engineering.Marlinet.direct-%3A1");
  write(base + ".lock", QByteArray::number(deadPid) + "\n" + QCoreApplication::applicationName().toUtf8() +
                            "\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  // A socket file nobody listens on, as a killed copy leaves it.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray socketPath = QFile::encodeName(base + ".socket");
  std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);

  auto primary = claim(":1");
  ASSERT_TRUE(primary);
  EXPECT_TRUE(primary->isListening());
  EXPECT_FALSE(claim(":1"));
  awaitActivations(1);
  EXPECT_EQ(activations, 1);
}

TEST_F(SingleInstanceTest, ACopyThatHoldsTheLockButCannotBeReachedIsNeitherWaitedForNorDoubled) {
  QLockFile held(runtime.filePath("tarnwick-engineering.Marlinet.direct-%3A1.lock"));
  ASSERT_TRUE(held.tryLock(0));
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_FALSE(claim(":1"));
  EXPECT_LT(elapsed.elapsed(), 3000);
}

}  // namespace
}  // namespace marlinet::shell
