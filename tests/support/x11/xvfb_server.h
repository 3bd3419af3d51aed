#pragma once

#include <string>
#include <sys/types.h>

namespace marlinet::testing {

// A private X server (Xvfb) on a display number it picks itself, for the
// lifetime of this object. Tests talk to it through `name()`.
class XvfbServer {
 public:
  XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  ~XvfbServer();

  // ":N", or empty when the server could not be started.
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

}  // namespace marlinet::testing
