#include "simulation/simulated_event_poster.h"

#include <gtest/gtest.h>

#include <vector>

namespace marlinet::simulation {
namespace {

class PosterTest : public ::testing::Test {
 protected:
  std::vector<SimulatedEvent> posted;
  SimulatedEventPoster poster{[this](SimulatedEvent e) { posted.push_back(std::move(e)); }};
};

TEST_F(PosterTest, TextIsTypedOneCharacterPerKeyPairWithAllItsUnits) {
  poster.postText("e\u0301\U0001F600a");
  ASSERT_EQ(posted.size(), 6u);
  EXPECT_EQ(posted[0].unicode, u"e\u0301") << "a combining sequence stays together";
  EXPECT_EQ(posted[2].unicode, u"\U0001F600") << "a surrogate pair stays together";
  for (std::size_t i = 0; i < posted.size(); ++i) {
    EXPECT_EQ(posted[i].type, i % 2 == 0 ? rawEventType::keyDown : rawEventType::keyUp);
    EXPECT_EQ(posted[i].keyCode, 0);
    EXPECT_EQ(posted[i].flags, 0u);
    EXPECT_EQ(posted[i].userData, ownEventMarker);
    EXPECT_EQ(posted[i].unicode, posted[i - i % 2].unicode);
  }
  posted.clear();
  poster.postText("");
  EXPECT_TRUE(posted.empty());
}

TEST_F(PosterTest, RepostsCopyTheCapturedEventAndSetOnlyTheUserData) {
  auto captured = std::make_shared<SimulatedEvent>();
  captured->keyCode = 49;
  captured->flags = 0x20000;
  captured->unicode = u" ";
  captured->userData = 0;
  poster.repostAsOwn(captured);
  captured->userData = ownEventMarker;
  poster.repostAsUser(captured);
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].userData, ownEventMarker);
  EXPECT_EQ(posted[1].userData, 0);
  for (const SimulatedEvent& e : posted) {
    EXPECT_EQ(e.keyCode, 49);
    EXPECT_EQ(e.flags, 0x20000u);
    EXPECT_EQ(e.unicode, u" ");
  }

  struct Foreign final : CapturedEvent {};
  poster.repostAsOwn(std::make_shared<Foreign>());
  poster.repostAsUser(nullptr);
  EXPECT_EQ(posted.size(), 2u) << "none and foreign objects are ignored";
}

}  // namespace
}  // namespace marlinet::simulation
