#include <X11/Xatom.h>
#include <poll.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "temporary_folder.h"
#include "x11/display.h"
#include "x11/focused_application_tracker.h"
#include "x11/grab_detector.h"
#include "x11/xvfb_server.h"

namespace marlinet::x11 {
namespace {

struct Naming {
  std::string wmClass;  // "instance\0Class", empty for none
  std::string gtkID, kdeFile;
};

// The program's connection (tracker and detector on it) and a second one
// playing the other applications.
class X11Context : public ::testing::Test {
 protected:
  void SetUp() override {
    if (server.name().empty()) GTEST_SKIP() << "Xvfb did not start";
    ours = openDisplay(server.name());
    theirs = openDisplay(server.name());
    ASSERT_TRUE(ours && theirs);
    testing::writeBytes(folder / "apps/org.example.Editor.desktop",
                        "[Desktop Entry]\nType=Application\nName=Editor\nStartupWMClass=EditorWin\n");
    index = DesktopFileIndex({folder / "apps"});
    tracker.emplace(ours.get(), index);
    detector.emplace(ours.get());
    tracker->onChange = [this] { ++changes; };
  }

  Window window(const Naming& naming, Window parent = None) {
    Display* d = theirs.get();
    const Window w = XCreateSimpleWindow(d, parent ? parent : DefaultRootWindow(d), 0, 0, 50, 50, 0, 0, 0);
    const auto set = [&](const char* name, Atom type, const std::string& value) {
      if (value.empty()) return;
      XChangeProperty(d, w, XInternAtom(d, name, False), type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(value.data()), static_cast<int>(value.size()));
    };
    set("WM_CLASS", XA_STRING, naming.wmClass);
    set("_GTK_APPLICATION_ID", XInternAtom(d, "UTF8_STRING", False), naming.gtkID);
    set("_KDE_NET_WM_DESKTOP_FILE", XInternAtom(d, "UTF8_STRING", False), naming.kdeFile);
    XMapWindow(d, w);
    XSync(d, False);
    return w;
  }

  void focus(Window w) {
    XSetInputFocus(theirs.get(), w, RevertToParent, CurrentTime);
    XFlush(theirs.get());
  }

  // Feeds our connection's events until `done` holds, for at most two seconds.
  bool pumpUntil(const std::function<bool()>& done) {
    XSync(theirs.get(), False);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
      while (XPending(ours.get())) {
        XEvent event;
        XNextEvent(ours.get(), &event);
        tracker->handleEvent(event);
        detector->handleEvent(event);
      }
      if (done()) return true;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd readable{ConnectionNumber(ours.get()), POLLIN, 0};
      poll(&readable, 1, static_cast<int>(std::min<long>(left.count(), 20)));
    }
  }
  bool pumpUntilID(const std::optional<std::string>& id) {
    return pumpUntil([&] { return tracker->applicationID() == id; });
  }

  marlinet::testing::XvfbServer server;
  marlinet::testing::TemporaryFolder folder;
  DisplayHandle ours, theirs;
  DesktopFileIndex index;
  std::optional<FocusedApplicationTracker> tracker;
  std::optional<GrabDetector> detector;
  int changes = 0;
};

TEST_F(X11Context, TheIdentifierFollowsTheFocusAndTheNamingProperties) {
  using namespace std::string_literals;
  const Window existing = window({"xterm\0XTerm"s, "", ""});
  tracker->start();
  EXPECT_EQ(tracker->applicationID(), std::nullopt) << "a fresh server has the focus on PointerRoot";

  const Window frame = window({});  // a window manager's frame around a client, with a child of its own
  const Window framed = window({"inner\0Inner"s, "", ""}, frame);
  const Window inside = window({}, framed);
  struct Case {
    Window focused;
    std::optional<std::string> id;
  };
  const std::vector<Case> cases{
      {existing, "XTerm"},
      {window({"gedit\0Gedit"s, "org.gnome.gedit", ""}), "org.gnome.gedit"},
      {window({"dolphin\0dolphin"s, "", "org.kde.dolphin.desktop"}), "org.kde.dolphin"},
      {window({"ed\0EditorWin"s, "", ""}), "org.example.Editor"},
      {frame, "Inner"},
      {inside, "Inner"},
      {window({}), std::nullopt},
      {existing, "XTerm"},
      {DefaultRootWindow(theirs.get()), std::nullopt},
      {None, std::nullopt},
      {existing, "XTerm"},
  };
  for (const Case& c : cases) {
    focus(c.focused);
    EXPECT_TRUE(pumpUntilID(c.id)) << "window " << c.focused << " wanted " << c.id.value_or("none");
  }

  const int before = changes;
  XChangeProperty(theirs.get(), existing, XInternAtom(theirs.get(), "_GTK_APPLICATION_ID", False),
                  XInternAtom(theirs.get(), "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("org.example.Term"), 16);
  EXPECT_TRUE(pumpUntilID("org.example.Term")) << "a name set while focused";
  EXPECT_EQ(changes, before + 1);
}

TEST_F(X11Context, WindowsDestroyedWhileFocusedOrBeingReadLeaveTheFocusThatRemains) {
  using namespace std::string_literals;
  tracker->start();
  const Window stays = window({"stays\0Stays"s, "", ""});
  Window doomed = window({"doomed\0Doomed"s, "", ""});
  focus(doomed);
  ASSERT_TRUE(pumpUntilID("Doomed"));
  XDestroyWindow(theirs.get(), doomed);
  EXPECT_TRUE(pumpUntilID(std::nullopt)) << "the focus went back to the root";

  // Created, focused and gone before the tracker reads them: every read fails.
  for (int i = 0; i < 30; ++i) {
    doomed = window({"doomed\0Doomed"s, "", ""});
    focus(doomed);
    XDestroyWindow(theirs.get(), doomed);
    if (i % 2) focus(stays);
  }
  focus(stays);
  EXPECT_TRUE(pumpUntilID("Stays"));
}

TEST_F(X11Context, AnotherClientsKeyboardGrabIsSeenUntilItEnds) {
  using namespace std::string_literals;
  tracker->start();
  const Window focused = window({"xterm\0XTerm"s, "", ""});
  const Window prompt = window({"pinentry\0Pinentry"s, "", ""});
  int flips = 0;
  detector->onChange = [&] { ++flips; };
  focus(focused);
  ASSERT_TRUE(pumpUntilID("XTerm"));
  EXPECT_FALSE(detector->probe());

  // The prompt grabs its own window, either unfocused or focused first; a
  // grab also ends when its client goes away.
  for (const bool focusPromptFirst : {false, true}) {
    if (focusPromptFirst) focus(prompt);
    ASSERT_EQ(XGrabKeyboard(theirs.get(), prompt, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess)
        << "the probe left a grab behind";
    EXPECT_TRUE(pumpUntil([&] { return detector->foreignGrabActive(); })) << focusPromptFirst;
    XUngrabKeyboard(theirs.get(), CurrentTime);
    EXPECT_TRUE(pumpUntil([&] { return !detector->foreignGrabActive(); })) << focusPromptFirst;
  }
  EXPECT_EQ(flips, 4);

  DisplayHandle prompter = openDisplay(server.name());
  const Window own = XCreateSimpleWindow(prompter.get(), DefaultRootWindow(prompter.get()), 0, 0, 9, 9, 0, 0, 0);
  XMapWindow(prompter.get(), own);
  XGrabKeyboard(prompter.get(), own, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  XSync(prompter.get(), False);
  EXPECT_TRUE(pumpUntil([&] { return detector->foreignGrabActive(); }));
  prompter.reset();
  EXPECT_TRUE(pumpUntil([&] { return !detector->foreignGrabActive(); })) << "the grabbing client closed";
}

}  // namespace
}  // namespace marlinet::x11
