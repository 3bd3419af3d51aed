#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace marlinet::x11 {

struct DisplayCloser {
  void operator()(::Display* display) const noexcept { XCloseDisplay(display); }
};
// One connection to an X server, closed with its owner.
using DisplayHandle = std::unique_ptr<::Display, DisplayCloser>;

// Opens the display named `name` ($DISPLAY when empty); null when there is none.
DisplayHandle openDisplay(const std::string& name = {});

struct XFreeDeleter {
  void operator()(void* data) const noexcept {
    if (data) XFree(data);
  }
};
// Memory Xlib hands out and XFree takes back.
template <typename T>
using XPointer = std::unique_ptr<T, XFreeDeleter>;

}  // namespace marlinet::x11
