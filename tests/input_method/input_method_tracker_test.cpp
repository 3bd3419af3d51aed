#include "input_method/input_method_tracker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

#include <cstdlib>

#include <gtest/gtest.h>

#include "temporary_folder.h"

namespace marlinet {
namespace {

// Runs a program to its end, its output discarded.
void run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(program, arguments);
  process.waitForFinished();
}

// Chooses an IBus engine as a user would, again while the daemon is still
// starting, until the tracker reports it.
bool chooseEngine(const InputMethodTracker& tracker, const std::string& engine, bool composing) {
  const QDeadlineTimer deadline(10000);
  while (!deadline.hasExpired()) {
    run(QStringLiteral("ibus"), {QStringLiteral("engine"), QString::fromStdString(engine)});
    const bool seen = QTest::qWaitFor(
        [&] {
          const InputSourceInfo* source = tracker.currentSource();
          return source != nullptr && source->id == engine && source->isComposing() == composing;
        },
        500);
    if (seen) return true;
  }
  return false;
}

// A real ibus-daemon on this test's own session bus (the test runs under
// dbus-run-session), its address file in a temporary folder.
TEST(InputMethodTracker, FollowsIbusFromStartThroughEngineSwitchesToStop) {
  const testing::TemporaryFolder home;
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("IBUS_ADDRESS");

  InputMethodTracker tracker;
  int changes = 0;
  tracker.setChangedCallback([&] { ++changes; });
  QTest::qWait(200);
  EXPECT_FALSE(tracker.current().has_value());

  QProcess daemon;
  daemon.setStandardOutputFile(QProcess::nullDevice());
  daemon.setStandardErrorFile(QProcess::nullDevice());
  daemon.start(QStringLiteral("ibus-daemon"), {QStringLiteral("--panel=disable"), QStringLiteral("--emoji-extension=disable"),
                                               QStringLiteral("--config=/usr/libexec/ibus-memconf")});
  ASSERT_TRUE(daemon.waitForStarted());

  EXPECT_TRUE(chooseEngine(tracker, "xkb:us::eng", false));
  EXPECT_TRUE(chooseEngine(tracker, "hangul", true));
  ASSERT_NE(tracker.currentSource(), nullptr);
  EXPECT_EQ(tracker.currentSource()->languages, std::vector<std::string>{"ko"});  // from IBus, not the name

  const InputMethodTracker late;  // the daemon already runs with an engine chosen
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return late.currentSource() && late.currentSource()->id == "hangul" && late.currentSource()->isComposing(); },
      5000));

  daemon.terminate();
  daemon.waitForFinished();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !tracker.current().has_value(); }, 5000));
  EXPECT_GE(changes, 3);
}

}  // namespace
}  // namespace marlinet

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
