#include "x11/grab_detector.h"

namespace marlinet::x11 {

GrabDetector::GrabDetector(::Display* display)
    : display_(display),
      // Never mapped: a grab on it can only fail.
      unmapped_(XCreateWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, 0,
                              nullptr)) {}

GrabDetector::~GrabDetector() { XDestroyWindow(display_, unmapped_); }

bool GrabDetector::probe() {
  // The server answers AlreadyGrabbed before it looks at the window; after
  // that the never-mapped window gives GrabNotViewable. Nothing is grabbed
  // (no clock to estimate, unlike a grab on the root with a time in the
  // future) and no focus event is sent. This connection's own grabs do not
  // count.
  const int status = XGrabKeyboard(display_, unmapped_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (status == GrabSuccess) XUngrabKeyboard(display_, CurrentTime);  // cannot happen; never keep it
  const bool active = status == AlreadyGrabbed || status == GrabFrozen;
  if (active != foreignGrabActive_) {
    foreignGrabActive_ = active;
    if (onChange) onChange();
  }
  return foreignGrabActive_;
}

void GrabDetector::handleEvent(const XEvent& event) {
  if (event.type != FocusIn && event.type != FocusOut) return;
  const int mode = event.xfocus.mode;
  // A grab's start and end; and a plain focus change, after which a grab
  // that began while the focus was None (no event then) shows up at once.
  if (mode == NotifyGrab || mode == NotifyUngrab || (event.type == FocusIn && mode == NotifyNormal && event.xfocus.detail != NotifyPointer))
    probe();
}

}  // namespace marlinet::x11
