#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "shell/single_instance.h"
#include "shell/xdg_autostart.h"

namespace marlinet::shell {
namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST(XdgAutostartTest, EnableWritesAValidEntryForAnyProgramPathAndDisableRemovesIt) {
  // Quoted when needed; inside quotes " ` $ \ are escaped, then % is doubled
  // and every backslash doubled again for the file's string escaping.
  for (const auto& [command, exec] :
       {std::pair{"/usr/bin/marlinet", "/usr/bin/marlinet"}, {"/opt/My Apps/marlinet", "\"/opt/My Apps/marlinet\""},
        {"/opt/a$b\\c\"d%e/marlinet", "\"/opt/a\\\\$b\\\\\\\\c\\\\\"d%%e/marlinet\""}}) {
    SCOPED_TRACE(command);
    QTemporaryDir home;
    XdgAutostart autostart(home.filePath("config/autostart"), command);
    EXPECT_FALSE(autostart.isEnabled());
    ASSERT_TRUE(autostart.enable()) << "creates the missing folders";
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_TRUE(readAll(autostart.entryPath()).contains("\nExec=" + QByteArray(exec) + "\n"));
    QProcess validate;
    validate.start("desktop-file-validate", {autostart.entryPath()});
    ASSERT_TRUE(validate.waitForFinished());
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    EXPECT_EQ(QDir(home.filePath("config/autostart")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"tarnwick-engineering.Marlinet.direct.desktop"})
        << "no temporary file left";

    EXPECT_TRUE(autostart.disable());
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));
    EXPECT_TRUE(autostart.disable()) << "already absent";
  }
}

TEST(XdgAutostartTest, AnswersFalseWhenTheFolderCannotTakeTheEntryAndReadsTheTruth) {
  QTemporaryDir home;
  ASSERT_TRUE(write(home.filePath("autostart"), "a file where the folder should be"));
  XdgAutostart blocked(home.filePath("autostart"), "/usr/bin/marlinet");
  EXPECT_FALSE(blocked.enable());
  EXPECT_FALSE(blocked.isEnabled());
  EXPECT_TRUE(blocked.disable()) << "no entry is there";

  XdgAutostart occupied(home.filePath("other"), "/usr/bin/marlinet");
  ASSERT_TRUE(QDir().mkpath(occupied.entryPath() + "/inside"));
  EXPECT_FALSE(occupied.enable());
  EXPECT_FALSE(occupied.isEnabled());
  EXPECT_FALSE(occupied.disable()) << "a folder that is not empty stays";

  // Switched off in the desktop's settings; another group's keys are not the entry's.
  for (const auto& [lines, on] :
       {std::pair{"Hidden=true\n", false}, {"X-GNOME-Autostart-enabled = false\n", false}, {"Hidden=false\n", true},
        {"[Desktop Action quit]\nName=Quit\nExec=marlinet quit\nHidden=true\n", true}}) {
    XdgAutostart autostart(home.path(), "/usr/bin/marlinet");
    ASSERT_TRUE(autostart.enable());
    ASSERT_TRUE(write(autostart.entryPath(), readAll(autostart.entryPath()) + lines));
    EXPECT_EQ(autostart.isEnabled(), on) << lines;
  }
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  std::unique_ptr<SingleInstance> claim(const QString& display) {
    return SingleInstance::claim(display, [this] { ++activations; }, runtime.path());
  }
  // Runs the event loop until `count` activations arrived, for at most 5 s.
  bool activatedTimes(int count) {
    return QTest::qWaitFor([&] { return activations >= count; }, 5000) && activations == count;
  }

  QTemporaryDir runtime;
  const QString base = runtime.filePath("tarnwick-engineering.Marlinet.direct-%3A1");
  int activations = 0;
};

TEST_F(SingleInstanceTest, ALaterStartOnTheSameDisplayShowsTheRunningCopyAndLeaves) {
  auto primary = claim(":1");
  ASSERT_TRUE(primary && primary->isListening());
  EXPECT_FALSE(claim(":1"));
  EXPECT_FALSE(claim(":1.0")) << "another screen of the same desktop";
  EXPECT_TRUE(activatedTimes(2)) << activations;

  EXPECT_TRUE(claim(":0")) << "another desktop runs its own copy";
  primary.reset();
  EXPECT_TRUE(claim(":1")) << "the lock and socket go with the copy";
}

TEST_F(SingleInstanceTest, WhatACrashedCopyLeftDoesNotStopTheNextStart) {
  QProcess gone;
  gone.start("true");
  ASSERT_TRUE(gone.waitForStarted());
  const QByteArray deadPid = QByteArray::number(gone.processId());
  ASSERT_TRUE(gone.waitForFinished());
  ASSERT_TRUE(write(base + ".lock", deadPid + "\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
                                        QSysInfo::machineHostName().toUtf8() + "\n"));
  // A socket file nobody listens on.
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, QFile::encodeName(base + ".socket").constData());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);

  auto primary = claim(":1");
  ASSERT_TRUE(primary && primary->isListening());
  EXPECT_FALSE(claim(":1"));
  EXPECT_TRUE(activatedTimes(1)) << activations;
}

TEST_F(SingleInstanceTest, OnlyALiveLockHolderStopsAStartAndNeverForLong) {
  QLockFile held(base + ".lock");
  ASSERT_TRUE(held.tryLock(0));
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_FALSE(claim(":1"));
  EXPECT_LT(elapsed.elapsed(), 3000);

  // A folder where no lock can be made is no sign of another copy.
  ASSERT_TRUE(write(runtime.filePath("file"), "not a folder"));
  EXPECT_TRUE(SingleInstance::claim(":1", nullptr, runtime.filePath("file/runtime")));
}

}  // namespace
}  // namespace marlinet::shell
