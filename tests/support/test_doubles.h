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
#include "coordination/scheduler.h"
#include "engine/key_event.h"
#include "platform/pasteboard_access.h"

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

// Time under the test's control. Starts at an arbitrary fixed point.
class ManualClock final {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  TimePoint now() const { return now_; }
  double seconds() const { return std::chrono::duration<double>(now_ - start_).count(); }
  void advance(double seconds) {
    now_ += std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
  }
  std::function<TimePoint()> function() {
    return [this] { return now(); };
  }

 private:
  TimePoint start_ = TimePoint(std::chrono::hours(1000));
  TimePoint now_ = start_;
};

// Runs scheduled work, in due order, only when the test lets time pass.
class ManualScheduler final : public Scheduler {
 public:
  explicit ManualScheduler(ManualClock& clock) : clock_(clock) {}

  void schedule(double afterSeconds, std::function<void()> work) override;

  // Moves the clock forward, running each piece of work at its due time.
  void advance(double seconds);
  // Runs everything due now (including work that becomes due while running).
  void runDue();
  // Moves the clock without running anything: the main thread is stalled.
  void stall(double seconds) { clock_.advance(seconds); }

  std::size_t pendingCount() const { return queue_.size(); }
  std::vector<double> pendingDelays() const;  // seconds from now, in due order

 private:
  struct Item {
    ManualClock::TimePoint due;
    std::uint64_t sequence;
    std::function<void()> work;
  };
  bool runNextDueBy(ManualClock::TimePoint limit);

  ManualClock& clock_;
  std::vector<Item> queue_;
  std::uint64_t sequence_ = 0;
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
  std::optional<std::uint16_t> keyCode(const std::string& character) override;
  void repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) override;
  void repostAsUser(const std::shared_ptr<const CapturedEvent>& event) override;

  std::map<std::string, std::uint16_t> layout{{"v", 9}};  // keyCode(for:) answers from this
  std::vector<Posted> posted;
  // Called after each recorded event; lets a harness feed events back.
  std::function<void(const Posted&)> onPost;

 private:
  void record(Posted event);
};

// An in-memory pasteboard with a change counter and ordered items.
class InMemoryPasteboard final : public PasteboardAccess {
 public:
  static constexpr const char* plainTextType = "public.utf8-plain-text";

  std::int64_t changeCount() const override { return changeCount_; }
  std::vector<PasteboardItemSnapshot> snapshotItems() const override { return items_; }
  std::int64_t writeText(const std::string& text) override;
  void restoreItems(const std::vector<PasteboardItemSnapshot>& items) override;

  // What the user or another application does.
  void copyText(const std::string& text);
  void setItems(std::vector<PasteboardItemSnapshot> items);

  const std::vector<PasteboardItemSnapshot>& items() const { return items_; }
  std::optional<std::string> plainText() const;

 private:
  std::int64_t changeCount_ = 0;
  std::vector<PasteboardItemSnapshot> items_;
};

PasteboardBytes bytes(const std::string& text);

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
