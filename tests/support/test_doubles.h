#pragma once

// Stand-ins for the system behind the coordinator's interfaces, shared by the
// tests of every subsystem.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coordination/event_posting.h"
#include "coordination/expansion_context.h"
#include "engine/key_event.h"
#include "platform/pasteboard_access.h"
#include "simulation/simulated_pasteboard.h"
#include "simulation/virtual_scheduler.h"

namespace marlinet::testing {

// A captured platform event, told apart by its number.
struct FakeCapturedEvent final : CapturedEvent {
  explicit FakeCapturedEvent(int number) : id(number) {}
  int id;
};

// The id of a KeyEvent's original, or -1 when it has none.
int capturedID(const std::shared_ptr<const CapturedEvent>& event);

// A key event as the tap would deliver it for the user's keystroke.
KeyEvent userKey(Phase phase, std::uint16_t keyCode, std::string characters, int capturedNumber,
                 KeyModifiers modifiers = {});

// Virtual time under the test's control, driving the simulation's scheduler:
// scheduled work runs, in due order, only when the test lets time pass.
class ManualTime final {
 public:
  using TimePoint = simulation::VirtualTime;

  TimePoint now() const { return now_; }
  std::function<TimePoint()> function() {
    return [this] { return now_; };
  }
  simulation::VirtualScheduler& scheduler() { return scheduler_; }

  // Moves the clock forward, running each piece of work at its due time.
  void advance(double seconds);
  // Runs everything due now, including work that falls due while running.
  void runDue() { advance(0); }
  // Moves the clock without running anything: the main thread is stalled.
  void stall(double seconds) { now_ += simulation::toDuration(seconds); }
  std::size_t pendingCount() const { return scheduler_.pendingCount(); }

 private:
  TimePoint now_ = TimePoint(std::chrono::hours(1000));
  simulation::VirtualScheduler scheduler_{now_};
};

// Records every call, in order.
class RecordingEventPosting final : public EventPosting {
 public:
  struct Posted {
    enum class Kind { key, text, own, user };
    Kind kind;
    std::uint16_t keyCode = 0;
    bool down = false;
    std::uint64_t flags = 0;
    std::string text;
    std::shared_ptr<const CapturedEvent> original;  // own and user reposts
  };

  void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
  void postText(const std::string& text) override;
  bool canType(std::string_view text) override { return text.find_first_of(untypeable) == std::string_view::npos; }
  std::optional<std::uint16_t> keyCode(const std::string& character) override;
  void repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) override;
  void repostAsUser(const std::shared_ptr<const CapturedEvent>& event) override;

  std::map<std::string, std::uint16_t> layout{{"v", 9}};  // keyCode(for:) answers from this
  std::string untypeable;  // bytes of texts that canType refuses
  std::vector<Posted> posted;
  // Called after each recorded event; lets a harness feed events back.
  std::function<void(const Posted&)> onPost;

 private:
  void record(Posted event);
};

PasteboardBytes bytes(const std::string& text);
// The user copies plain text.
void copyText(simulation::SimulatedPasteboard& pasteboard, const std::string& text);

// Answers whatever the test sets.
class SettableExpansionContext final : public ExpansionContext {
 public:
  std::optional<std::string> frontmostBundleID() const override { return frontmost; }
  bool isSecureInputEnabled() const override { return secureInput; }
  std::optional<InputSourceInfo> inputSource() const override { return source; }

  std::optional<std::string> frontmost = std::string("com.example.editor");
  bool secureInput = false;
  std::optional<InputSourceInfo> source =
      InputSourceInfo{"com.apple.keylayout.US", "TISTypeKeyboardLayout", {"en"}};
};

}  // namespace marlinet::testing
