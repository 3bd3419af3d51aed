#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace marlinet {

// Keeps a registration alive; destroying or cancelling it ends the
// registration. Cancelling after the other side is gone does nothing.
class Subscription final {
 public:
  Subscription() = default;
  explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
  Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      cancel();
      cancel_ = std::exchange(other.cancel_, nullptr);
    }
    return *this;
  }
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;
  ~Subscription() { cancel(); }

  void cancel() {
    if (auto cancel = std::exchange(cancel_, nullptr)) cancel();
  }

 private:
  std::function<void()> cancel_;
};

// "Something changed": the one notification observable objects send after
// each change the user interface shows. Observers redraw from the object.
class ChangePublisher final {
 public:
  ChangePublisher() = default;
  ChangePublisher(const ChangePublisher&) = delete;
  ChangePublisher& operator=(const ChangePublisher&) = delete;

  [[nodiscard]] Subscription subscribe(std::function<void()> observer) {
    const std::uint64_t id = state_->nextID++;
    state_->observers.emplace(id, std::move(observer));
    return Subscription([weak = std::weak_ptr<State>(state_), id] {
      if (auto state = weak.lock()) state->observers.erase(id);
    });
  }

  // Observers may subscribe or cancel while being notified: one that is
  // cancelled before its turn is skipped, one added now hears the next change.
  void publish() {
    const auto state = state_;
    std::vector<std::uint64_t> ids;
    ids.reserve(state->observers.size());
    for (const auto& entry : state->observers) ids.push_back(entry.first);
    for (const std::uint64_t id : ids) {
      const auto found = state->observers.find(id);
      if (found == state->observers.end()) continue;
      // A copy, so that an observer cancelling itself does not destroy the
      // function while it runs.
      const auto observer = found->second;
      observer();
    }
  }

  std::size_t observerCount() const { return state_->observers.size(); }

 private:
  struct State {
    std::map<std::uint64_t, std::function<void()>> observers;
    std::uint64_t nextID = 0;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace marlinet
