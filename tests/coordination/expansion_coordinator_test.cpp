#include "coordination/expansion_coordinator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_doubles.h"

namespace marlinet {
namespace {

using testing::capturedID;
using testing::copyText;
using testing::ManualTime;
using testing::RecordingEventPosting;
using testing::SettableExpansionContext;
using testing::userKey;
using Kind = RecordingEventPosting::Posted::Kind;
using ::testing::ElementsAre;

constexpr std::uint64_t kCommand = 0x100000;

// A compact rendering of what was posted, so sequences read naturally:
// "del↓" "del↑" "text:on my way" "own#5" "user#6" "key47↓⌘".
std::vector<std::string> describe(const std::vector<RecordingEventPosting::Posted>& posted) {
  std::vector<std::string> out;
  for (const auto& p : posted) {
    switch (p.kind) {
      case Kind::key:
        if (p.keyCode == 51 && p.flags == 0) {
          out.push_back(p.down ? "del↓" : "del↑");
        } else {
          out.push_back("key" + std::to_string(p.keyCode) + (p.down ? "↓" : "↑") + (p.flags == kCommand ? "⌘" : ""));
        }
        break;
      case Kind::text:
        out.push_back("text:" + p.text);
        break;
      case Kind::own:
        out.push_back("own#" + std::to_string(capturedID(p.original)));
        break;
      case Kind::user:
        out.push_back("user#" + std::to_string(capturedID(p.original)));
        break;
    }
  }
  return out;
}

class CoordinatorTest : public ::testing::Test {
 protected:
  void SetUp() override { useReplacements({{"omw", "on my way"}}); }

  void useReplacements(const std::vector<Replacement>& replacements) {
    coordinator.engine().setIndex(ReplacementIndex(replacements));
  }

  // Types one character as a key-down/key-up pair; answers the down verdict.
  TapVerdict type(const std::string& character, std::uint16_t keyCode = 0) {
    const TapVerdict verdict = down(character, keyCode);
    up(character, keyCode);
    return verdict;
  }
  TapVerdict down(const std::string& characters, std::uint16_t keyCode = 0) {
    return coordinator.handle(KeyTapEvent{userKey(Phase::down, keyCode, characters, next++), false});
  }
  TapVerdict up(const std::string& characters, std::uint16_t keyCode = 0) {
    return coordinator.handle(KeyTapEvent{userKey(Phase::up, keyCode, characters, next++), false});
  }
  void typeAll(const std::string& text) {
    for (char c : text) type(std::string(1, c));
  }

  ManualTime time;
  RecordingEventPosting poster;
  simulation::SimulatedPasteboard pasteboard;
  ClipboardKeeper keeper{pasteboard};
  SettableExpansionContext context;
  ExpansionCoordinator coordinator{context, poster, keeper, time.scheduler(), time.function()};
  int next = 1;  // number of the next captured event
};

TEST_F(CoordinatorTest, TypedExpansionErasesTypesAndReplaysInOrder) {
  std::vector<Expansion> announced;
  coordinator.onExpansion = [&](const Expansion& x) { announced.push_back(x); };
  typeAll("omw");                                   // events 1..6
  EXPECT_EQ(down(" ", 49), TapVerdict::swallow);    // 7: the delimiter
  EXPECT_EQ(up(" ", 49), TapVerdict::swallow);      // 8: held while expanding
  EXPECT_TRUE(poster.posted.empty()) << "nothing is posted inside the tap callback";
  ASSERT_EQ(announced.size(), 1u);
  EXPECT_EQ(announced[0], (Expansion{"omw", "on my way", 3, " "}));

  time.advance(0);
  EXPECT_THAT(describe(poster.posted),
              ElementsAre("del↓", "del↑", "del↓", "del↑", "del↓", "del↑", "text:on my way", "own#7", "user#8"));
  EXPECT_FALSE(coordinator.isExpanding());
  EXPECT_EQ(up(" ", 49), TapVerdict::pass) << "a key-up after the expansion passes";
  EXPECT_EQ(time.pendingCount(), 0u) << "a typed phrase touches no pasteboard";
}

TEST_F(CoordinatorTest, LongOrMultilinePhrasesArePastedAndThePasteboardRestored) {
  const std::string fortyOne(41, 'x');
  const std::string forty(40, 'y');
  useReplacements({{"long", fortyOne}, {"exact", forty}});
  poster.layout = {{"v", 47}};  // a layout where v sits elsewhere
  copyText(pasteboard, "user clipboard");

  typeAll("long");
  EXPECT_EQ(down(" ", 49), TapVerdict::swallow);  // #9
  time.advance(0);
  EXPECT_THAT(describe(poster.posted), ElementsAre("del↓", "del↑", "del↓", "del↑", "del↓", "del↑", "del↓", "del↑",
                                                   "key47↓⌘", "key47↑⌘"));
  EXPECT_EQ(pasteboard.plainText(), fortyOne);
  EXPECT_TRUE(coordinator.isExpanding()) << "the delimiter waits for the paste";

  time.advance(0.079);
  EXPECT_EQ(poster.posted.size(), 10u);
  time.advance(0.001);
  EXPECT_EQ(describe(poster.posted).back(), "own#9");
  EXPECT_FALSE(coordinator.isExpanding());

  time.advance(0.499);
  EXPECT_EQ(pasteboard.plainText(), fortyOne);
  time.advance(0.001);
  EXPECT_EQ(pasteboard.plainText(), "user clipboard") << "restored 0.5 s after the delimiter's replay";

  // Exactly forty characters are typed; a line break or a tab forces a paste.
  poster.posted.clear();
  poster.layout.clear();  // no key for v: fall back to key code 9
  typeAll(" exact");
  down(" ", 49);
  time.advance(0);
  EXPECT_EQ(describe(poster.posted).at(10), "text:" + forty);

  // A phrase the layout cannot type is pasted whatever its length.
  poster.untypeable = "\xE2";  // the lead byte of →
  useReplacements({{"addr", "1 Main St\nSpringfield"}, {"tb", "a\tb"}, {"arr", "a → b"}});
  for (const char* shortcut : {"addr", "tb", "arr"}) {
    poster.posted.clear();
    typeAll(std::string(" ") + shortcut);
    down(" ", 49);
    time.advance(1);
    const auto posted = describe(poster.posted);
    EXPECT_NE(std::find(posted.begin(), posted.end(), "key9↓⌘"), posted.end()) << shortcut;
  }
}

TEST_F(CoordinatorTest, KeysTypedDuringAnExpansionAreHeldThenReplayedAsTheUsers) {
  typeAll("omw");
  down(" ", 49);                                  // #7
  time.stall(0.2);                             // the steps are late but within the hold time
  EXPECT_EQ(down("a", 0), TapVerdict::swallow);   // #8
  EXPECT_EQ(coordinator.held().size(), 1u);
  time.runDue();
  EXPECT_EQ(describe(poster.posted).back(), "user#8");

  // The replayed key comes back through the tap as the user's and reaches the engine.
  EXPECT_EQ(coordinator.handle(KeyTapEvent{userKey(Phase::down, 0, "a", 8), false}), TapVerdict::pass);
  EXPECT_EQ(coordinator.engine().buffer(), (std::vector<std::string>{" ", "a"}));
}

TEST_F(CoordinatorTest, StallBeforeTheEditReplaysDelimiterHeldKeysAndLateKeyInTypedOrder) {
  typeAll("omw");
  down(" ", 49);                                 // #7 swallowed
  up(" ", 49);                                   // #8 held
  EXPECT_EQ(down("x", 7), TapVerdict::swallow);  // #9 held
  time.stall(1.0);                          // the main thread is busy: nothing has run
  EXPECT_EQ(down("y", 16), TapVerdict::swallow) << "the late key must not overtake the replays";  // #10
  EXPECT_FALSE(coordinator.isExpanding());
  EXPECT_THAT(describe(poster.posted), ElementsAre("own#7", "user#8", "user#9", "user#10"));

  time.runDue();  // the late edit finds the expansion gone
  EXPECT_EQ(poster.posted.size(), 4u);
}

TEST_F(CoordinatorTest, StallBetweenPasteAndDelimiterStillDeliversTheDelimiterAndRestores) {
  useReplacements({{"sig", "Best regards,\nA. Person"}});
  copyText(pasteboard, "mine");
  typeAll("sig");
  down(",", 43);              // #7
  time.advance(0);       // paste posted, delimiter not yet replayed
  down("t", 17);              // #8 held
  time.stall(1.5);
  EXPECT_EQ(up("t", 17), TapVerdict::swallow);  // #9 late key, queued behind the replays
  auto posted = describe(poster.posted);
  EXPECT_THAT(std::vector<std::string>(posted.end() - 3, posted.end()), ElementsAre("own#7", "user#8", "user#9"));

  time.runDue();  // the late completion posts nothing more ...
  EXPECT_EQ(describe(poster.posted).size(), posted.size());
  time.advance(0.5);  // ... but the pasteboard is still given back
  EXPECT_EQ(pasteboard.plainText(), "mine");
}

TEST_F(CoordinatorTest, KeysWithoutACopyPassInsteadOfBeingLost) {
  typeAll("omw");
  EXPECT_EQ(coordinator.handle(KeyTapEvent{userKey(Phase::down, 49, " ", -1), false}), TapVerdict::pass)
      << "a delimiter that could not be replayed is not swallowed";
  EXPECT_FALSE(coordinator.isExpanding());

  typeAll("omw");
  down(" ", 49);
  ASSERT_TRUE(coordinator.isExpanding());
  EXPECT_EQ(coordinator.handle(KeyTapEvent{userKey(Phase::down, 12, "q", -1), false}), TapVerdict::pass);
  EXPECT_TRUE(coordinator.held().empty());
}

TEST_F(CoordinatorTest, MouseClicksAndOwnEventsPassEvenWhileExpanding) {
  typeAll("om");
  EXPECT_EQ(coordinator.handle(MouseDown{}), TapVerdict::pass);
  EXPECT_EQ(coordinator.engine().bufferSize(), 0u);

  typeAll("omw");
  down(" ", 49);
  ASSERT_TRUE(coordinator.isExpanding());
  KeyEvent own = userKey(Phase::down, 51, "", -1);
  EXPECT_EQ(coordinator.handle(KeyTapEvent{own, true}), TapVerdict::pass);
  EXPECT_EQ(coordinator.handle(MouseDown{}), TapVerdict::pass);
  EXPECT_TRUE(coordinator.held().empty());
}

TEST_F(CoordinatorTest, RefusedKeysEmptyTheBufferAndPass) {
  typeAll("om");
  context.frontmost = "com.example.vault";
  coordinator.excludedBundleIDs = [] { return std::make_shared<const BundleIDSet>(BundleIDSet{"com.example.vault"}); };
  EXPECT_EQ(type("w"), TapVerdict::pass);
  EXPECT_EQ(coordinator.lastVerdict(), Verdict::excludedApp);
  EXPECT_EQ(coordinator.engine().bufferSize(), 0u);

  // Key-ups never reach the gate: the verdict stays what the last key-down left.
  context.frontmost = "com.example.editor";
  EXPECT_EQ(up("w"), TapVerdict::pass);
  EXPECT_EQ(coordinator.lastVerdict(), Verdict::excludedApp);

  // Switched off, secure input, own window: nothing expands.
  coordinator.isAllowed = [] { return false; };
  typeAll("omw");
  EXPECT_EQ(down(" ", 49), TapVerdict::pass);
  EXPECT_EQ(coordinator.lastVerdict(), Verdict::off);
  coordinator.isAllowed = [] { return true; };
  coordinator.ownBundleID = "com.example.editor";
  typeAll("omw");
  EXPECT_EQ(down(" ", 49), TapVerdict::pass);
  EXPECT_EQ(coordinator.lastVerdict(), Verdict::ownApp);
}

TEST(CoordinatorLifetime, WorkScheduledByAGoneCoordinatorDoesNothing) {
  ManualTime time;
  RecordingEventPosting poster;
  simulation::SimulatedPasteboard pasteboard;
  ClipboardKeeper keeper(pasteboard);
  SettableExpansionContext context;
  {
    ExpansionCoordinator coordinator(context, poster, keeper, time.scheduler(), time.function());
    coordinator.engine().setIndex(ReplacementIndex({{"omw", "on my way"}}));
    for (const char* c : {"o", "m", "w"}) coordinator.handle(KeyTapEvent{userKey(Phase::down, 0, c, 1), false});
    ASSERT_EQ(coordinator.handle(KeyTapEvent{userKey(Phase::down, 49, " ", 2), false}), TapVerdict::swallow);
  }
  time.advance(1);
  EXPECT_TRUE(poster.posted.empty());
}

}  // namespace
}  // namespace marlinet
