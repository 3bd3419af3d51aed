#include "x11/display.h"

namespace marlinet::x11 {

DisplayHandle openDisplay(const std::string& name) {
  return DisplayHandle(XOpenDisplay(name.empty() ? nullptr : name.c_str()));
}

}  // namespace marlinet::x11
