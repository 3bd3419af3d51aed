#pragma once

#include <map>
#include <memory>
#include <string>

#include "app/window_host.h"

namespace marlinet::testing {

// Windows as plain records: what was made, what is on screen, what is in front.
class FakeWindowHost final : public WindowHost {
 public:
  struct Window {
    std::string title;
    std::shared_ptr<WindowContent> content;
    bool visible = false;
  };

  void activateApplication() override { ++activations; }
  void createWindow(const std::string& id, const std::string& title, std::shared_ptr<WindowContent> content) override {
    ++created;
    windows[id] = Window{title, std::move(content)};
  }
  void bringToFront(const std::string& id) override {
    windows.at(id).visible = true;
    front = id;
  }
  void close(const std::string& id) override { windows.at(id).visible = false; }

  bool isVisible(const std::string& id) const {
    const auto found = windows.find(id);
    return found != windows.end() && found->second.visible;
  }

  std::map<std::string, Window> windows;
  std::string front;
  int created = 0;
  int activations = 0;
};

}  // namespace marlinet::testing
