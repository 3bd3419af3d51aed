#pragma once

#include <memory>
#include <optional>
#include <string>

#include "coordination/expansion_context.h"
#include "coordination/scheduler.h"
#include "platform/desktop_file_index.h"
#include "x11/display.h"
#include "x11/focused_application_tracker.h"
#include "x11/grab_detector.h"
#include "x11/keyboard_status.h"
#include "x11/x11_poster.h"
#include "x11/x11_tap.h"

namespace marlinet::x11 {

// Everything Marlinet needs of one X display, on one connection: the tap,
// the poster, the keyboard map, the focused application and foreign grabs.
// The owner reads the connection when `fd()` is readable (and before the
// event loop sleeps) by calling `processEvents`.
class X11Desktop final : public ExpansionContext {
 public:
  // Null when the display cannot be opened or lacks XKB.
  static std::unique_ptr<X11Desktop> open(const std::string& displayName, Scheduler& scheduler);
  X11Desktop(const X11Desktop&) = delete;
  X11Desktop& operator=(const X11Desktop&) = delete;
  ~X11Desktop() override;

  int fd() const { return ConnectionNumber(display_.get()); }
  // Handles every event already read or waiting on the connection.
  void processEvents();
  // Sends what is buffered; answers whether events already read wait in
  // Xlib's queue (read while waiting for a reply), without reading.
  bool flushAndCheckQueued();

  X11Tap& tap() { return *tap_; }
  X11Poster& poster() { return *poster_; }
  FocusedApplicationTracker& focus() { return *focus_; }
  ::Display* display() const { return display_.get(); }
  // The display's bell.
  void beep();
  // What the server offers: typing keys (XTEST) and reading every key
  // (XInput 2.2). Both are needed to expand.
  bool canPostKeys() const { return postsKeys_; }
  bool canReadKeys() const { return readsKeys_; }

  // ExpansionContext: cached state, no round trip.
  std::optional<std::string> frontmostBundleID() const override { return focus_->applicationID(); }
  bool isSecureInputEnabled() const override { return grabs_->foreignGrabActive(); }
  std::optional<InputSourceInfo> inputSource() const override { return inputSource_; }

  static constexpr double keymapSettleSeconds = 0.2;

 private:
  X11Desktop(DisplayHandle display, Scheduler& scheduler);
  void handleXkb(const XEvent& event);
  void reloadKeymap(std::uint64_t generation);
  void updateInputSource();

  DisplayHandle display_;
  Scheduler& scheduler_;
  int xkbEventBase_ = 0;
  int coreKeyboard_ = -1;
  KeyboardStatus keyboard_;
  std::string keymapText_;
  std::uint64_t keymapGeneration_ = 0;
  DesktopFileIndex applications_;
  std::unique_ptr<X11Poster> poster_;
  std::unique_ptr<X11Tap> tap_;
  std::unique_ptr<FocusedApplicationTracker> focus_;
  std::unique_ptr<GrabDetector> grabs_;
  std::optional<InputSourceInfo> inputSource_;
  bool postsKeys_ = false;
  bool readsKeys_ = false;
  std::shared_ptr<X11Desktop*> self_;
};

}  // namespace marlinet::x11
