#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/window_host.h"

namespace marlinet {

// Makes each window the first time it is asked for and keeps it, with the
// content it was made with, for the rest of the run.
class WindowPresenter final {
 public:
  struct Window {
    std::string title;
    std::shared_ptr<WindowContent> content;
  };
  using ContentFactory = std::function<std::shared_ptr<WindowContent>()>;

  explicit WindowPresenter(WindowHost& host) : host_(host) {}
  WindowPresenter(const WindowPresenter&) = delete;
  WindowPresenter& operator=(const WindowPresenter&) = delete;

  // Brings the application and the window for `id` to the front. Only when
  // there is no such window yet is `makeContent` called and a window made
  // with `title`; an existing window keeps its title and content.
  void show(const std::string& id, const std::string& title, const ContentFactory& makeContent);
  // Hides the window; the entry stays, so a later `show` brings it back.
  void close(const std::string& id);
  // Hides every window, for good: their contents' model is going away.
  void closeAll();

  const Window* window(const std::string& id) const;

 private:
  WindowHost& host_;
  std::map<std::string, Window, std::less<>> windows_;
};

}  // namespace marlinet
