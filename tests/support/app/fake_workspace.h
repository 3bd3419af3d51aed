#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/workspace.h"

namespace marlinet::testing {

// Records opened links and lets the test announce activation changes.
class FakeWorkspace final : public Workspace {
 public:
  void openURL(const std::string& url) override { openedURLs.push_back(url); }
  Subscription observeApplicationBecameActive(std::function<void()> observer) override {
    return becameActive_.subscribe(std::move(observer));
  }
  Subscription observeOtherApplicationActivated(std::function<void()> observer) override {
    return otherActivated_.subscribe(std::move(observer));
  }

  void applicationBecameActive() { becameActive_.publish(); }
  void otherApplicationActivated() { otherActivated_.publish(); }
  std::size_t becameActiveObservers() const { return becameActive_.observerCount(); }
  std::size_t otherActivatedObservers() const { return otherActivated_.observerCount(); }

  std::vector<std::string> openedURLs;

 private:
  ChangePublisher becameActive_;
  ChangePublisher otherActivated_;
};

}  // namespace marlinet::testing
