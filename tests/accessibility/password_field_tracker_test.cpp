#include "accessibility/password_field_tracker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <functional>

#include "x11/xvfb_server.h"

namespace marlinet::accessibility {
namespace {

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
  const QDeadlineTimer deadline(milliseconds);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

int argc = 1;
char name[] = "tracker_test";
char* argv[] = {name, nullptr};

// Each test process has a session bus and a runtime folder of its own (see
// private_session.sh), so the accessibility bus it activates is its own too.
TEST(PasswordFieldTrackerTest, FollowsTheFocusBetweenGtkEntries) {
  const QCoreApplication application(argc, argv);
  const testing::XvfbServer xvfb;
  ASSERT_FALSE(xvfb.name().empty());
  qputenv("DISPLAY", xvfb.name().c_str());
  qputenv("GDK_BACKEND", "x11");
  qunsetenv("NO_AT_BRIDGE");
  qunsetenv("GTK_A11Y");
  PasswordFieldTracker tracker;
  int changes = 0;
  tracker.onChange = [&] { ++changes; };
  ASSERT_TRUE(tracker.start());

  QProcess window;
  window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  window.start(MARLINET_SYSTEM_PYTHON, {MARLINET_GTK_FIELDS});
  const auto answered = [&](const char* line) {
    return waitFor([&] { return window.canReadLine(); }) && window.readLine().trimmed() == line;
  };
  ASSERT_TRUE(answered("ready"));
  const auto focus = [&](const char* field, bool password, int milliseconds = 5000) {
    const int changesBefore = changes;
    window.write(QByteArray(field) + "\n");
    return answered(field) && waitFor(
                                  [&] {
                                    return changes > changesBefore && !tracker.answerPending() &&
                                           tracker.passwordFieldFocused() == password;
                                  },
                                  milliseconds);
  };
  // The window's bridge learns which events are wanted only after it shows,
  // and says nothing until then.
  bool bridgeReady = false;
  for (int attempt = 0; attempt < 10 && !bridgeReady; ++attempt)
    bridgeReady = window.write("plain\n") > 0 && answered("plain") && focus("password", true, 1000);
  ASSERT_TRUE(bridgeReady);

  EXPECT_TRUE(focus("plain", false));
  ASSERT_TRUE(focus("password", true));
  // The window leaves while its password field has the focus.
  window.write("quit\n");
  EXPECT_TRUE(window.waitForFinished(5000));
  EXPECT_TRUE(waitFor([&] { return !tracker.passwordFieldFocused(); }));
}

TEST(PasswordFieldTrackerTest, UnavailableWithoutAnAccessibilityBus) {
  const QCoreApplication application(argc, argv);
  qputenv("AT_SPI_BUS_ADDRESS", "unix:path=/nonexistent/marlinet-accessibility-bus");
  PasswordFieldTracker tracker;
  EXPECT_EQ(tracker.availability(), PasswordFieldTracker::Availability::unknown);
  EXPECT_FALSE(tracker.start());
  qunsetenv("AT_SPI_BUS_ADDRESS");
  EXPECT_EQ(tracker.availability(), PasswordFieldTracker::Availability::unavailable);
}

}  // namespace
}  // namespace marlinet::accessibility
