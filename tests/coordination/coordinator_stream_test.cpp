// Long random streams of keys, clicks, copies, stalls and clock advances, run
// through the coordinator on a loopback desktop: every posted event comes back
// through the handler after the current piece of work, as the real tap does.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>
#include <set>

#include "coordination/expansion_coordinator.h"
#include "test_doubles.h"

namespace marlinet {
namespace {

using testing::capturedID;
using testing::copyText;
using testing::ManualTime;
using testing::RecordingEventPosting;
using testing::SettableExpansionContext;
using Posted = RecordingEventPosting::Posted;

class LoopbackDesktop {
 public:
  // Scheduled work runs, then whatever it posted travels back through the tap.
  class DeliveringScheduler final : public Scheduler {
   public:
    DeliveringScheduler(Scheduler& inner, LoopbackDesktop& desktop) : inner_(inner), desktop_(desktop) {}
    void schedule(double after, std::function<void()> work) override {
      inner_.schedule(after, [this, work = std::move(work)] {
        work();
        desktop_.deliver();
      });
    }
    std::unique_ptr<RepeatingTimer> scheduleRepeating(double interval, std::function<void()> tick) override {
      return inner_.scheduleRepeating(interval, std::move(tick));
    }

   private:
    Scheduler& inner_;
    LoopbackDesktop& desktop_;
  };

  LoopbackDesktop() {
    poster.onPost = [this](const Posted& p) { outbox.push_back(p); };
    coordinator.engine().setIndex(ReplacementIndex({{"omw", "on my way"},
                                                   {"sig", "Best,\nMe"},
                                                   {"ll", std::string(45, 'L')},
                                                   {"mw", "MW"}}));
  }

  void userKey(Phase phase, std::uint16_t keyCode, std::string characters, KeyModifiers modifiers = {}) {
    const int id = nextID++;
    KeyEvent event = testing::userKey(phase, keyCode, std::move(characters), id, modifiers);
    byID[id] = event;
    sent.insert(id);
    if (coordinator.handle(KeyTapEvent{event, false}) == TapVerdict::pass) receive(id);
    deliver();
    checkNothingHeldTooLong();
  }

  void click() {
    EXPECT_EQ(coordinator.handle(MouseDown{}), TapVerdict::pass);
    EXPECT_EQ(coordinator.engine().bufferSize(), 0u);
  }

  void userCopies(const std::string& text) {
    copyText(pasteboard, text);
    lastUserCopy = text;
  }

  // Lets every pending step run and checks that everything typed arrived.
  void settle() {
    time.advance(2.0);
    deliver();
    EXPECT_TRUE(outbox.empty());
    EXPECT_FALSE(coordinator.isExpanding());
    EXPECT_EQ(received.size(), sent.size()) << "every user key reaches the application exactly once";
    EXPECT_EQ(pasteboard.plainText(), lastUserCopy) << "the user's clipboard survives";
  }

  void deliver() {
    while (!outbox.empty()) {
      const Posted p = outbox.front();
      outbox.pop_front();
      if (p.kind == Posted::Kind::user) {
        const int id = capturedID(p.original);
        ASSERT_TRUE(byID.contains(id));
        if (coordinator.handle(KeyTapEvent{byID[id], false}) == TapVerdict::pass) receive(id);
        continue;
      }
      // The program's own events pass untouched and never reach the engine.
      const auto bufferBefore = coordinator.engine().buffer();
      const Verdict verdictBefore = coordinator.lastVerdict();
      KeyEvent own;
      own.keyCode = p.keyCode;
      own.phase = p.down ? Phase::down : Phase::up;
      EXPECT_EQ(coordinator.handle(KeyTapEvent{own, true}), TapVerdict::pass);
      EXPECT_EQ(coordinator.engine().buffer(), bufferBefore);
      EXPECT_EQ(coordinator.lastVerdict(), verdictBefore);
      if (p.kind == Posted::Kind::own) receive(capturedID(p.original));
    }
  }

  ManualTime time;
  DeliveringScheduler scheduler{time.scheduler(), *this};
  RecordingEventPosting poster;
  simulation::SimulatedPasteboard pasteboard;
  ClipboardKeeper keeper{pasteboard};
  SettableExpansionContext context;
  ExpansionCoordinator coordinator{context, poster, keeper, scheduler, time.function()};

 private:
  void receive(int id) {
    EXPECT_FALSE(received.contains(id)) << "event " << id << " delivered twice";
    EXPECT_GT(id, lastReceived) << "event " << id << " overtook an earlier one";
    received.insert(id);
    lastReceived = std::max(lastReceived, id);
  }

  void checkNothingHeldTooLong() {
    if (received.size() == sent.size()) return;
    // Keys are only ever held by a running expansion younger than the hold time.
    ASSERT_TRUE(coordinator.isExpanding());
    const std::chrono::duration<double> elapsed = time.now() - coordinator.expansionStarted();
    EXPECT_LT(elapsed.count(), ExpansionCoordinator::heldEventTimeout);
  }

  std::deque<Posted> outbox;
  std::map<int, KeyEvent> byID;
  std::set<int> sent;
  std::set<int> received;
  int nextID = 1;
  int lastReceived = 0;
  std::string lastUserCopy;  // empty before the first copy, as the pasteboard
};

struct Key {
  std::uint16_t code;
  const char* characters;
};

constexpr Key keys[] = {{31, "o"}, {46, "m"}, {13, "w"}, {1, "s"}, {34, "i"}, {5, "g"}, {37, "l"}, {0, "a"},
                        {49, " "}, {43, ","}, {47, "."}, {36, "\r"}, {51, "\x7f"}, {48, "\t"}, {123, ""}};

class CoordinatorStreams : public ::testing::TestWithParam<unsigned> {};

TEST_P(CoordinatorStreams, NothingIsLostReorderedOrHeldTooLong) {
  std::mt19937 random(GetParam());
  LoopbackDesktop desktop;
  std::vector<Key> pressed;
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };

  for (int step = 0; step < 3000 && !::testing::Test::HasFailure(); ++step) {
    const int roll = static_cast<int>(random() % 100);
    if (desktop.coordinator.isExpanding() && chance(20)) {
      // A busy main thread right when an expansion is under way: the case that loses keys if mishandled.
      desktop.time.stall(0.5 + static_cast<double>(random() % 1000) / 1000.0);
    } else if (roll < 45) {
      const Key key = keys[random() % std::size(keys)];
      const KeyModifiers modifiers = chance(5) ? KeyModifiers::command : chance(10) ? KeyModifiers::shift : KeyModifiers{};
      desktop.userKey(Phase::down, key.code, key.characters, modifiers);
      pressed.push_back(key);
    } else if (roll < 75) {
      if (!pressed.empty()) {
        const std::size_t which = random() % pressed.size();  // keys may be released out of order
        desktop.userKey(Phase::up, pressed[which].code, pressed[which].characters);
        pressed.erase(pressed.begin() + static_cast<std::ptrdiff_t>(which));
      }
    } else if (roll < 78) {
      desktop.click();
    } else if (roll < 80) {
      desktop.userCopies("copy " + std::to_string(step));
    } else if (roll < 84) {
      desktop.time.stall(0.3 + static_cast<double>(random() % 1200) / 1000.0);
    } else if (roll < 99) {
      desktop.time.advance(static_cast<double>(random() % 120) / 1000.0);
    } else {
      desktop.settle();
    }
  }
  desktop.settle();
}

INSTANTIATE_TEST_SUITE_P(Seeds, CoordinatorStreams, ::testing::Range(1u, 13u));

}  // namespace
}  // namespace marlinet
