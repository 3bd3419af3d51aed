#pragma once

#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/window_host.h"

namespace marlinet::shell {

// Draws the application's windows with Qt widgets: one top-level widget per
// window id, made when the model asks, hidden when closed, and deleted with
// the host. The host outlives the model, so a window may outlive its model.
class QtWindowHost final : public WindowHost {
 public:
  // `sessionNotes`: facts about this desktop session the settings window adds
  // to its permissions (such as password fields that cannot be recognised).
  explicit QtWindowHost(std::vector<std::string> sessionNotes = {});
  QtWindowHost(const QtWindowHost&) = delete;
  QtWindowHost& operator=(const QtWindowHost&) = delete;
  ~QtWindowHost() override;

  void activateApplication() override {}
  void createWindow(const std::string& id, const std::string& title, std::shared_ptr<WindowContent> content) override;
  void bringToFront(const std::string& id) override;
  void close(const std::string& id) override;

  // Adds a fact to those a settings window made from now on shows.
  void addSessionNote(std::string note) { sessionNotes_.push_back(std::move(note)); }
  // The window made for `id`, if any.
  QWidget* window(const std::string& id) const;
  // Runs `show` with windows brought to the front without taking the
  // keyboard: for a window the user did not ask for just now.
  template <typename Show>
  void withoutFocus(Show&& show) {
    takesFocus_ = false;
    show();
    takesFocus_ = true;
  }

 private:
  std::vector<std::string> sessionNotes_;
  bool takesFocus_ = true;
  std::map<std::string, std::unique_ptr<QWidget>, std::less<>> windows_;
};

}  // namespace marlinet::shell
