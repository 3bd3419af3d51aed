#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/window_host.h"
#include "support/app/call_log.h"

namespace marlinet::testing {

// Windows as plain records: what was made, what is on screen, what is in front.
class FakeWindowHost final : public WindowHost {
 public:
  struct Window {
    std::string title;
    std::shared_ptr<WindowContent> content;
    bool visible = false;
  };

  explicit FakeWindowHost(CallLog* log = nullptr) : log_(log) {}

  void activateApplication() override {
    note("activate");
    ++activations;
  }
  void createWindow(const std::string& id, const std::string& title, std::shared_ptr<WindowContent> content) override {
    note("window.create " + id);
    ++created;
    windows[id] = Window{title, std::move(content)};
  }
  void bringToFront(const std::string& id) override {
    note("window.front " + id);
    windows.at(id).visible = true;
    front = id;
  }
  void close(const std::string& id) override {
    note("window.close " + id);
    windows.at(id).visible = false;
  }

  bool isVisible(const std::string& id) const {
    const auto found = windows.find(id);
    return found != windows.end() && found->second.visible;
  }

  std::map<std::string, Window> windows;
  std::string front;
  int created = 0;
  int activations = 0;

 private:
  void note(const std::string& entry) {
    if (log_) log_->add(entry);
  }
  CallLog* log_;
};

}  // namespace marlinet::testing
