#pragma once

#include <memory>
#include <string>

namespace marlinet {

// What a window shows; only the drawing code looks inside.
class WindowContent {
 public:
  virtual ~WindowContent() = default;
};

// The desktop's windows, addressed by the application's window ids.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // Brings the application to the front.
  virtual void activateApplication() = 0;
  // A titled, closable, fixed-size window sized to its content and centred
  // on the screen; closing it only hides it. Not yet on screen.
  virtual void createWindow(const std::string& id, const std::string& title,
                            std::shared_ptr<WindowContent> content) = 0;
  // Puts the window on screen in front and gives it the keyboard.
  virtual void bringToFront(const std::string& id) = 0;
  // Hides the window; it can be brought back later.
  virtual void close(const std::string& id) = 0;
};

}  // namespace marlinet
