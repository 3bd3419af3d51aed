#include "platform/clipboard_keeper.h"

#include <gtest/gtest.h>

#include "test_doubles.h"

namespace marlinet {
namespace {

using testing::bytes;
using testing::copyText;

class ClipboardKeeperTest : public ::testing::Test {
 protected:
  simulation::SimulatedPasteboard pasteboard;
  ClipboardKeeper keeper{pasteboard};
};

TEST_F(ClipboardKeeperTest, OnlyTheLatestRestoreBringsBackWhatTheUserHadBeforeTheFirstPaste) {
  const std::vector<PasteboardItemSnapshot> mine{
      {{"public.utf8-plain-text", bytes("hello")}, {"public.rtf", bytes("{\\rtf1 hello}")}},
      {{"public.png", bytes("\x89PNG")}}};
  pasteboard.copy(mine);
  const std::int64_t first = keeper.writeText("phrase one");
  const std::int64_t second = keeper.writeText("phrase two");
  keeper.restore(first);  // superseded: changes nothing
  EXPECT_EQ(pasteboard.plainText(), "phrase two");
  keeper.restore(second);
  EXPECT_EQ(pasteboard.items(), mine) << "all items, all types, in order";
  copyText(pasteboard, "later");
  keeper.restore(second);  // already done
  EXPECT_EQ(pasteboard.plainText(), "later");
}

TEST_F(ClipboardKeeperTest, ACopyAfterAPasteWins) {
  copyText(pasteboard, "old");
  const std::int64_t generation = keeper.writeText("phrase");
  copyText(pasteboard, "copied meanwhile");
  keeper.restore(generation);
  EXPECT_EQ(pasteboard.plainText(), "copied meanwhile");
  EXPECT_FALSE(keeper.pending().has_value());

  // Between two pastes, the copy is what the last restore brings back.
  const std::int64_t first = keeper.writeText("phrase one");
  copyText(pasteboard, "newer copy");
  const std::int64_t second = keeper.writeText("phrase two");
  keeper.restore(first);
  keeper.restore(second);
  EXPECT_EQ(pasteboard.plainText(), "newer copy");
}

}  // namespace
}  // namespace marlinet
