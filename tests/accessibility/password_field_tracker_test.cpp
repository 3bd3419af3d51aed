#include "accessibility/password_field_tracker.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <string>

#include "x11/xvfb_server.h"

namespace marlinet::accessibility {
namespace {

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
  QDeadlineTimer deadline(milliseconds);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class PasswordFieldTrackerTest : public ::testing::Test {
 protected:
  int argc_ = 1;
  char name_[16] = "tracker_test";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
};

// The test runs on a session bus of its own (dbus-run-session); the bus
// launcher it activates gets this X server and a runtime folder of its own,
// so tests running side by side never share an accessibility bus.
TEST_F(PasswordFieldTrackerTest, FollowsTheFocusBetweenGtkEntries) {
  testing::XvfbServer xvfb;
  ASSERT_FALSE(xvfb.name().empty());
  QTemporaryDir runtime;
  ASSERT_TRUE(runtime.isValid());
  const QString display = QString::fromStdString(xvfb.name());
  qDBusRegisterMetaType<QMap<QString, QString>>();
  const QDBusMessage environment =
      QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
          "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "UpdateActivationEnvironment")
                                         << QVariant::fromValue(QMap<QString, QString>{
                                                {"DISPLAY", display}, {"XDG_RUNTIME_DIR", runtime.path()}}));
  ASSERT_EQ(environment.type(), QDBusMessage::ReplyMessage) << environment.errorMessage().toStdString();

  PasswordFieldTracker tracker;
  int changes = 0;
  tracker.onChange = [&] { ++changes; };
  ASSERT_TRUE(tracker.start());
  EXPECT_EQ(tracker.availability(), PasswordFieldTracker::Availability::available);

  QProcess window;
  QProcessEnvironment windowEnvironment = QProcessEnvironment::systemEnvironment();
  windowEnvironment.insert("DISPLAY", display);
  windowEnvironment.insert("GDK_BACKEND", "x11");
  windowEnvironment.insert("XDG_RUNTIME_DIR", runtime.path());
  windowEnvironment.remove("NO_AT_BRIDGE");
  windowEnvironment.remove("GTK_A11Y");
  window.setProcessEnvironment(windowEnvironment);
  window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  window.start(MARLINET_SYSTEM_PYTHON, {MARLINET_GTK_FIELDS});
  const auto answered = [&](const QByteArray& line) {
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

  const struct {
    const char* field;
    bool password;
  } steps[] = {{"plain", false}, {"password", true}, {"plain", false}, {"password", true}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.field);
    EXPECT_TRUE(focus(step.field, step.password));
  }

  // The window leaves while its password field has the focus.
  window.write("quit\n");
  EXPECT_TRUE(window.waitForFinished(5000));
  EXPECT_TRUE(waitFor([&] { return !tracker.passwordFieldFocused(); }));
}

TEST_F(PasswordFieldTrackerTest, UnavailableWithoutAnAccessibilityBus) {
  setenv("AT_SPI_BUS_ADDRESS", "unix:path=/nonexistent/marlinet-accessibility-bus", 1);
  PasswordFieldTracker tracker;
  EXPECT_EQ(tracker.availability(), PasswordFieldTracker::Availability::unknown);
  EXPECT_FALSE(tracker.start());
  unsetenv("AT_SPI_BUS_ADDRESS");
  EXPECT_EQ(tracker.availability(), PasswordFieldTracker::Availability::unavailable);
  EXPECT_FALSE(tracker.passwordFieldFocused());
}

}  // namespace
}  // namespace marlinet::accessibility
