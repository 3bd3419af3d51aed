#include "shell/keyboard_switch_filter.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QWindow>
#include <X11/extensions/XTest.h>
#include <cstdlib>

#include "spin_until.h"
#include "typing_window.h"
#include "x11/xvfb_server.h"

namespace marlinet::shell {
namespace {

using namespace std::chrono_literals;

// A Qt window keeping the text Qt makes of the keys it receives.
class KeyWindow : public QWindow {
 public:
  QString text;

 protected:
  void keyPressEvent(QKeyEvent* event) override { text += event->text(); }
};

TEST(KeyboardSwitchFilter, QtIsSparedTheSwitchesBehindTheKeyboardYetFollowsANewLayout) {
  testing::XvfbServer server;
  if (server.name().empty()) GTEST_SKIP() << "Xvfb did not start";
  setenv("DISPLAY", server.name().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
  int argc = 1;
  char name[] = "keyboard_switch_filter_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  KeyboardSwitchFilter filter;
  KeyWindow window;
  window.resize(200, 50);
  window.show();
  window.requestActivate();
  ASSERT_TRUE(spinUntil([&] { return window.isActive(); }));

  typing::Typist user(server.name());
  ASSERT_TRUE(user.ready());
  const auto type = [&](char character) {
    user.type(user.strokes(std::string(1, character)), 20ms);
  };
  type('z');
  ASSERT_TRUE(spinUntil([&] { return window.text == "z"; })) << window.text.toStdString();
  // A key posted through XTest puts the XTest keyboard behind the core
  // keyboard; the user's next key puts theirs back.
  ::Display* poster = XOpenDisplay(server.name().c_str());
  const KeyCode z = user.strokes("z").front().key;
  XTestFakeKeyEvent(poster, z, True, CurrentTime);
  XTestFakeKeyEvent(poster, z, False, CurrentTime);
  XFlush(poster);
  ASSERT_TRUE(spinUntil([&] { return window.text == "zz"; })) << window.text.toStdString();
  type('z');
  ASSERT_TRUE(spinUntil([&] { return window.text == "zzz"; })) << window.text.toStdString();
  EXPECT_GE(filter.spared(), 2U);

  // On a German layout the key that typed z types y: Qt must have taken the
  // new keymap to make z of the key that has z now.
  ASSERT_EQ(std::system(("setxkbmap -display " + server.name() + " de").c_str()), 0);
  spinUntil([] { return false; }, 200);
  type('z');
  spinUntil([&] { return window.text.size() == 4; });
  EXPECT_EQ(window.text.toStdString(), "zzzz");
  XCloseDisplay(poster);
}

}  // namespace
}  // namespace marlinet::shell
