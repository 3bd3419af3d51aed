#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/workspace.h"
#include "support/app/call_log.h"

namespace marlinet::testing {

// Records opened links and lets the test announce activation changes.
class FakeWorkspace final : public Workspace {
 public:
  explicit FakeWorkspace(CallLog* log = nullptr) : log_(log) {}

  void openURL(const std::string& url) override { openedURLs.push_back(url); }
  Subscription observeApplicationBecameActive(std::function<void()> observer) override {
    if (log_) log_->add("observe becameActive");
    return becameActive_.subscribe(std::move(observer));
  }
  Subscription observeOtherApplicationActivated(std::function<void()> observer) override {
    if (log_) log_->add("observe otherActivated");
    return otherActivated_.subscribe(std::move(observer));
  }

  void applicationBecameActive() { becameActive_.publish(); }
  void otherApplicationActivated() { otherActivated_.publish(); }
  std::size_t becameActiveObservers() const { return becameActive_.observerCount(); }
  std::size_t otherActivatedObservers() const { return otherActivated_.observerCount(); }

  std::vector<std::string> openedURLs;

 private:
  CallLog* log_;
  ChangePublisher becameActive_;
  ChangePublisher otherActivated_;
};

}  // namespace marlinet::testing
