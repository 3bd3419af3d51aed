#include "app/window_presenter.h"

namespace marlinet {

void WindowPresenter::show(const std::string& id, const std::string& title, const ContentFactory& makeContent) {
  host_.activateApplication();
  if (windows_.find(id) == windows_.end()) {
    auto content = makeContent ? makeContent() : nullptr;
    host_.createWindow(id, title, content);
    windows_.emplace(id, Window{title, std::move(content)});
  }
  host_.bringToFront(id);
}

void WindowPresenter::close(const std::string& id) {
  if (windows_.find(id) != windows_.end()) host_.close(id);
}

void WindowPresenter::closeAll() {
  for (const auto& [id, window] : windows_) host_.close(id);
  windows_.clear();
}

const WindowPresenter::Window* WindowPresenter::window(const std::string& id) const {
  const auto found = windows_.find(id);
  return found == windows_.end() ? nullptr : &found->second;
}

}  // namespace marlinet
