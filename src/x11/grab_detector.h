#pragma once

#include <X11/Xlib.h>

#include <functional>

namespace marlinet::x11 {

// Whether another client holds the keyboard (a password prompt, a screen
// locker, an open menu, a window manager's key chord), during which nothing
// may be expanded. Kept current from the focus events a grab causes: the
// focused window gets FocusOut in NotifyGrab mode when a grab starts and
// FocusIn in NotifyUngrab mode when it ends. Those events reach this
// connection on the windows the focus tracker watches (the root and every
// top-level); they must be fed to handleEvent.
class GrabDetector {
 public:
  explicit GrabDetector(::Display* display);
  GrabDetector(const GrabDetector&) = delete;
  GrabDetector& operator=(const GrabDetector&) = delete;
  ~GrabDetector();

  // Asks the server, without grabbing anything and without any focus event,
  // whether another client holds a keyboard grab now; updates
  // foreignGrabActive() (firing onChange) and returns it. One round trip;
  // call it once at start, the events keep the answer current afterwards.
  bool probe();

  // Every core event read from the connection; cheap for those it ignores.
  void handleEvent(const XEvent& event);

  bool foreignGrabActive() const { return foreignGrabActive_; }

  // Fired after foreignGrabActive() changed.
  std::function<void()> onChange;

 private:
  ::Display* display_;
  Window unmapped_;
  bool foreignGrabActive_ = false;
};

}  // namespace marlinet::x11
