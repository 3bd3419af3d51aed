#pragma once

#include <functional>

#include "coordination/event_posting.h"
#include "simulation/simulated_event.h"

namespace marlinet::simulation {

// Creates the events a real poster would, and hands each to `post` (the
// simulated event stream) in order.
class SimulatedEventPoster final : public EventPosting {
 public:
  explicit SimulatedEventPoster(std::function<void(SimulatedEvent)> post) : post_(std::move(post)) {}

  void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
  void postText(const std::string& text) override;
  // Every event carries its own text, as a real keyboard event may.
  bool canType(std::string_view) override { return true; }
  std::optional<std::uint16_t> keyCode(const std::string& character) override;
  void repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) override;
  void repostAsUser(const std::shared_ptr<const CapturedEvent>& event) override;

 private:
  void repost(const std::shared_ptr<const CapturedEvent>& event, std::int64_t userData);

  std::function<void(SimulatedEvent)> post_;
};

}  // namespace marlinet::simulation
