#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coordination/event_posting.h"
#include "coordination/expansion_context.h"
#include "coordination/expansion_gate.h"
#include "coordination/scheduler.h"
#include "engine/expansion_engine.h"
#include "engine/key_event.h"
#include "platform/clipboard_keeper.h"

namespace marlinet {

// Phrases longer than this many characters, or holding a line break or a tab,
// are pasted rather than typed.
inline constexpr std::size_t pasteThreshold = 40;
bool shouldPaste(std::string_view phrase);

// The tap's handler. Judges every event synchronously, feeds tracked key-downs
// to the engine and carries an expansion out as a timed sequence of synthetic
// events, holding the user's further keys back until it is done.
//
// A key is held or swallowed only when it carries a captured copy to post
// again later; the tap supplies one for every user key, and a key that comes
// without one anyway is passed on rather than lost.
class ExpansionCoordinator final {
 public:
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;

  static constexpr double heldEventTimeout = 1.0;
  static constexpr double pasteDelimiterDelay = 0.08;
  static constexpr double clipboardRestoreDelay = 0.5;

  ExpansionCoordinator(ExpansionContext& context, EventPosting& poster, ClipboardKeeper& clipboard,
                       Scheduler& scheduler, std::function<TimePoint()> now = &Clock::now);
  ExpansionCoordinator(const ExpansionCoordinator&) = delete;
  ExpansionCoordinator& operator=(const ExpansionCoordinator&) = delete;

  TapVerdict handle(const TapEvent& event);

  // Installed by the application model and read afresh for every key-down.
  std::function<bool()> isAllowed = [] { return true; };
  // Null means no excluded applications. A shared set, so that reading it per
  // keystroke costs no copy.
  std::function<std::shared_ptr<const BundleIDSet>()> excludedBundleIDs = [] {
    return std::shared_ptr<const BundleIDSet>();
  };
  std::optional<std::string> ownBundleID;
  std::function<void(const Expansion&)> onExpansion = [](const Expansion&) {};
  // Hears every verdict the gate gives, once per judged key-down.
  std::function<void(Verdict)> onVerdict = [](Verdict) {};

  ExpansionEngine& engine() { return engine_; }
  const ExpansionEngine& engine() const { return engine_; }
  Verdict lastVerdict() const { return lastVerdict_; }
  bool isExpanding() const { return isExpanding_; }
  TimePoint expansionStarted() const { return expansionStarted_; }
  const std::vector<KeyEvent>& held() const { return held_; }

 private:
  Verdict currentVerdict() const;
  void beginExpansion(const Expansion& expansion, const KeyEvent& delimiterKey);
  void performExpansion(std::int64_t id, const Expansion& expansion, const KeyEvent& delimiterKey);
  void completePaste(std::int64_t id, const KeyEvent& delimiterKey, std::int64_t generation);
  void replayDelimiter(const KeyEvent& delimiterKey);
  // Answers how many events it handed back for replay.
  std::size_t finishExpansion(std::int64_t id);
  std::size_t abandonExpansion();
  // Runs `step` later unless this coordinator is gone by then.
  void later(double seconds, std::function<void(ExpansionCoordinator&)> step);

  ExpansionEngine engine_;
  ExpansionContext& context_;
  EventPosting& poster_;
  ClipboardKeeper& clipboard_;
  Scheduler& scheduler_;
  std::function<TimePoint()> now_;

  Verdict lastVerdict_ = Verdict::track;
  bool isExpanding_ = false;
  TimePoint expansionStarted_ = TimePoint::min();
  std::int64_t expansionID_ = 0;
  std::vector<KeyEvent> held_;
  // The swallowed delimiter of the running expansion until it is replayed.
  std::optional<KeyEvent> unreplayedDelimiter_;
  std::shared_ptr<ExpansionCoordinator*> self_;
};

}  // namespace marlinet
