#include "coordination/expansion_coordinator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "coordination/expansion_gate.h"
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

// A compact rendering of what was posted, so sequences read naturally:
// "del↓" "del↑" "text:on my way" "own#5" "user#6" "key47↓⌘".
std::vector<std::string> describe(const std::vector<RecordingEventPosting::Posted>& posted) {
  std::vector<std::string> out;
  for (const auto& p : posted) {
    const std::string key = p.keyCode == 51 && !p.flags ? "del" : "key" + std::to_string(p.keyCode);
    const std::string id = std::to_string(capturedID(p.original));
    out.push_back(p.kind == Kind::key    ? key + (p.down ? "↓" : "↑") + (p.flags ? "⌘" : "")
                  : p.kind == Kind::text ? "text:" + p.text
                  : p.kind == Kind::own  ? "own#" + id
                                         : "user#" + id);
  }
  return out;
}

class CoordinatorTest : public ::testing::Test {
 protected:
  void SetUp() override { useReplacements({{"omw", "on my way"}}); }
  void useReplacements(const std::vector<Replacement>& replacements) {
    coordinator.engine().setIndex(ReplacementIndex(replacements));
  }
  TapVerdict down(const std::string& characters, std::uint16_t keyCode = 0) {
    return coordinator.handle(KeyTapEvent{userKey(Phase::down, keyCode, characters, next++), false});
  }
  TapVerdict up(const std::string& characters, std::uint16_t keyCode = 0) {
    return coordinator.handle(KeyTapEvent{userKey(Phase::up, keyCode, characters, next++), false});
  }
  // Types each character as a key-down/key-up pair.
  void typeAll(const std::string& text) {
    for (char c : text) {
      down(std::string(1, c));
      up(std::string(1, c));
    }
  }

  ManualTime time;
  RecordingEventPosting poster;
  simulation::SimulatedPasteboard pasteboard;
  ClipboardKeeper keeper{pasteboard};
  SettableExpansionContext context;
  std::unique_ptr<ExpansionCoordinator> made =
      std::make_unique<ExpansionCoordinator>(context, poster, keeper, time.scheduler(), time.function());
  ExpansionCoordinator& coordinator = *made;
  int next = 1;  // number of the next captured event
};

TEST_F(CoordinatorTest, TypedExpansionErasesTypesAndReplaysInOrder) {
  typeAll("omw");                                   // events 1..6
  EXPECT_EQ(down(" ", 49), TapVerdict::swallow);    // 7: the delimiter
  EXPECT_EQ(up(" ", 49), TapVerdict::swallow);      // 8: held while expanding
  EXPECT_TRUE(poster.posted.empty()) << "nothing is posted inside the tap callback";

  time.advance(0);
  EXPECT_THAT(describe(poster.posted),
              ElementsAre("del↓", "del↑", "del↓", "del↑", "del↓", "del↑", "text:on my way", "own#7", "user#8"));
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
  time.advance(0.079);
  EXPECT_EQ(poster.posted.size(), 10u) << "the delimiter waits for the paste";
  time.advance(0.001);
  EXPECT_EQ(describe(poster.posted).back(), "own#9");
  time.advance(0.499);
  EXPECT_EQ(pasteboard.plainText(), fortyOne);
  time.advance(0.001);
  EXPECT_EQ(pasteboard.plainText(), "user clipboard") << "restored 0.5 s after the delimiter's replay";

  // Exactly forty characters are typed; a line break, a tab or an untypeable character forces a paste.
  poster.posted.clear();
  poster.layout.clear();  // no key for v: fall back to key code 9
  typeAll(" exact");
  down(" ", 49);
  time.advance(0);
  EXPECT_EQ(describe(poster.posted).at(10), "text:" + forty);
  poster.untypeable = "\xE2";  // the lead byte of →
  useReplacements({{"addr", "1 Main St\nSpringfield"}, {"tb", "a\tb"}, {"arr", "a → b"}});
  for (const char* shortcut : {" addr", " tb", " arr"}) {
    poster.posted.clear();
    typeAll(shortcut);
    down(" ", 49);
    time.advance(1);
    EXPECT_THAT(describe(poster.posted), ::testing::Contains("key9↓⌘")) << shortcut;
  }
}

TEST_F(CoordinatorTest, KeysTypedDuringAnExpansionAreHeldThenReplayedAsTheUsers) {
  typeAll("omw");
  down(" ", 49);                                  // #7
  time.stall(0.2);                                // the steps are late but within the hold time
  EXPECT_EQ(down("a", 0), TapVerdict::swallow);   // #8
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
  time.stall(1.0);                               // the main thread is busy: nothing has run
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
  down(",", 43);    // #7
  time.advance(0);  // paste posted, delimiter not yet replayed
  down("t", 17);    // #8 held
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
  typeAll("om");
  EXPECT_EQ(coordinator.handle(MouseDown{}), TapVerdict::pass);
  EXPECT_EQ(coordinator.engine().bufferSize(), 0u) << "a click ends the word";
  typeAll("omw");
  EXPECT_EQ(coordinator.handle(KeyTapEvent{userKey(Phase::down, 49, " ", -1), false}), TapVerdict::pass)
      << "a delimiter that could not be replayed is not swallowed";
  EXPECT_FALSE(coordinator.isExpanding());

  typeAll("omw");
  down(" ", 49);
  ASSERT_TRUE(coordinator.isExpanding());
  EXPECT_EQ(coordinator.handle(KeyTapEvent{userKey(Phase::down, 12, "q", -1), false}), TapVerdict::pass);
  // Our own keys and mouse clicks pass too.
  EXPECT_EQ(coordinator.handle(KeyTapEvent{userKey(Phase::down, 51, "", -1), true}), TapVerdict::pass);
  EXPECT_EQ(coordinator.handle(MouseDown{}), TapVerdict::pass);
  EXPECT_TRUE(coordinator.held().empty());
}

// The gate's own rules are tested with the gate; here, that its answers reach it and a refusal passes the key.
TEST_F(CoordinatorTest, RefusedKeysEmptyTheBufferAndPass) {
  typeAll("om");
  context.frontmost = "com.example.vault";
  coordinator.excludedBundleIDs = [] { return std::make_shared<const BundleIDSet>(BundleIDSet{"com.example.vault"}); };
  EXPECT_EQ(down("w"), TapVerdict::pass);
  EXPECT_EQ(coordinator.engine().bufferSize(), 0u);

  context.frontmost = "com.example.editor";
  coordinator.ownBundleID = "com.example.editor";  // our own window is in front
  typeAll("omw");
  EXPECT_EQ(down(" ", 49), TapVerdict::pass);
}

TEST_F(CoordinatorTest, WorkScheduledByAGoneCoordinatorDoesNothing) {
  typeAll("omw");
  ASSERT_EQ(down(" ", 49), TapVerdict::swallow);
  made.reset();
  time.advance(1);
  EXPECT_TRUE(poster.posted.empty());
}

// --- The gate the coordinator asks ---------------------------------------------

TEST(ExpansionGate, FirstApplicableRuleDecides) {
  const std::string editor = "com.example.editor";
  const std::string self = "com.example.marlinet";
  const struct {
    const char* name;
    bool allowed, secure;
    std::optional<std::string> frontmost, own;
    BundleIDSet excluded;
    bool composing;
    Verdict expected;
  } cases[] = {
      {"everything clear", true, false, editor, self, {}, false, Verdict::track},
      {"off beats secure", false, true, editor, self, {editor}, true, Verdict::off},
      {"secure beats excluded", true, true, editor, self, {editor}, false, Verdict::secureInput},
      {"no frontmost, composing", true, false, std::nullopt, self, {editor}, true, Verdict::composingInput},
      {"no frontmost ignores lists", true, false, std::nullopt, std::nullopt, {"x"}, false, Verdict::track},
      {"own app beats composing", true, false, self, self, {self}, true, Verdict::ownApp},
      {"absent own never matches", true, false, editor, std::nullopt, {}, false, Verdict::track},
      {"excluded beats composing", true, false, editor, self, {editor}, true, Verdict::excludedApp},
      {"exclusion is case-sensitive", true, false, "COM.example.editor", self, {editor}, false, Verdict::track},
      {"composing", true, false, editor, self, {}, true, Verdict::composingInput},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpansionGate::verdict(c.allowed, c.secure, c.frontmost, c.own, c.excluded, c.composing), c.expected)
        << c.name;
  }
}

}  // namespace
}  // namespace marlinet
