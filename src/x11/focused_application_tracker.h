#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/desktop_file_index.h"

namespace marlinet::x11 {

// Keeps the identifier of the application whose top-level window has the
// keyboard focus, current from focus and property events on the shared
// connection: reading it costs nothing, and the server is asked only when the
// focus or a naming property changes.
//
// The identifier is, in order: _GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE,
// the desktop-file ID the index gives for WM_CLASS, the WM_CLASS class itself.
// No focused top-level window (None, PointerRoot, the root) gives none.
class FocusedApplicationTracker {
 public:
  FocusedApplicationTracker(::Display* display, const DesktopFileIndex& index);
  FocusedApplicationTracker(const FocusedApplicationTracker&) = delete;
  FocusedApplicationTracker& operator=(const FocusedApplicationTracker&) = delete;

  // Selects focus and structure events on the root and every top-level window
  // (adding to what this connection already selects there), then reads the
  // current focus.
  void start();

  // Every core event read from the connection; cheap for those it ignores.
  void handleEvent(const XEvent& event);

  const std::optional<std::string>& applicationID() const { return applicationID_; }

  // Fired after the identifier changed.
  std::function<void()> onChange;

 private:
  void watchTopLevel(Window window);
  void refresh();
  std::optional<std::string> identifierOf(Window client) const;

  ::Display* display_;
  const DesktopFileIndex& index_;
  Window root_;
  Atom netActiveWindow_;
  Atom gtkApplicationID_;
  Atom kdeDesktopFile_;
  Atom wmState_;
  Window focusedClient_ = None;  // the focused window carrying WM_CLASS
  std::optional<std::string> applicationID_;
};

}  // namespace marlinet::x11
