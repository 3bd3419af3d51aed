// The simulated desktop's parts: the poster, the text field, the trace and the clock.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/key_event.h"
#include "engine/unicode_text.h"
#include "simulation/simulated_event_poster.h"
#include "simulation/text_field.h"
#include "simulation/trace_line.h"
#include "simulation/virtual_scheduler.h"

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

constexpr const char* deleteStep = "\x7f";  // a step that presses Delete
constexpr const char* pasteStep = "\x16";      // a step that presses Command-V

struct EditCase {
  const char* name;
  std::vector<std::string> steps;  // typed characters, Delete or paste
  std::string clipboard;
  std::string expected;
};

// Delete removes whole characters, also when typing or pasting extended the
// one before (a combining mark, CR LF, flag pairs, joined emoji).
TEST(TextFieldTest, DeleteRemovesTheLastWholeCharacter) {
  const std::vector<EditCase> cases{
      {"combining mark joins the letter", {"a", "e", "\u0301", deleteStep}, "", "a"},
      {"CR then LF is one character", {"x", "\r", "\n", deleteStep}, "", "x"},
      {"flags pair up", {"\U0001F1E9", "\U0001F1EA", "\U0001F1EB", "\U0001F1F7", deleteStep}, "", "\U0001F1E9\U0001F1EA"},
      {"odd flag stays alone", {"\U0001F1E9", "\U0001F1EA", "\U0001F1EB", deleteStep, deleteStep}, "", ""},
      {"joined emoji", {"a", "\U0001F469", "\u200d", "\U0001F466", deleteStep}, "", "a"},
      {"prepended mark takes the next letter", {"b", "\u0600", "a", deleteStep}, "", "b"},
      {"paste then delete into it", {"a", pasteStep, deleteStep, deleteStep}, "e\u0301\r\n", "a"},
      {"paste extends the last character", {"e", pasteStep, deleteStep}, "\u0301\u0301", ""},
      {"Delete on empty text, then typing", {deleteStep, deleteStep, "x", deleteStep, "y"}, "", "y"},
  };
  for (const EditCase& c : cases) {
    TextField field([&] { return c.clipboard; });
    for (const std::string& step : c.steps) {
      SimulatedEvent event;
      if (step == deleteStep) {
        event.keyCode = keycode::deleteKey;
      } else if (step == pasteStep) {
        event.keyCode = keycode::v;
        event.flags = rawEventFlag::command;
      } else {
        event.unicode = unicode::toUtf16(step);
      }
      field.apply(event);
    }
    EXPECT_EQ(field.text(), c.expected) << c.name;
  }
}

// Trace lines stay byte for byte what the JSON library writes for the same
// members, for every time and text a key event can carry.
TEST(TraceLineTest, WritesWhatTheJsonLibraryWrites) {
  const double times[] = {0, 0.1, 0.30000000000000004, 2, 1e-7, 123456.789, 1e17};
  const std::string texts[] = {"",       "a",           "\"\\/",         "\b\f\n\r\t", std::string("\x00\x01\x1f", 3),
                               "\x7f",   "é\U0001F600", "\xff\xfe",      "a\xc3",     "\xed\xa0\x80",
                               "\xc0\xaf", "\xf4\x90\x80\x80"};
  TraceLine line;
  for (const double t : times) {
    for (const std::string& text : texts) {
      std::ostringstream written;
      line.begin(t, "deliver").text("characters", text).number("flags", 1u << 20).boolean("synthetic", true);
      line.writeTo(written);
      const nlohmann::ordered_json expected{
          {"t", t}, {"kind", "deliver"}, {"characters", text}, {"flags", 1u << 20}, {"synthetic", true}};
      EXPECT_EQ(written.str(),
                expected.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n")
          << t << " " << text;
    }
  }
}

// Work runs in due order; work due at the same moment runs in the order it
// was scheduled, however the queue is arranged inside.
TEST(VirtualSchedulerTest, TakesDueWorkInDueOrderAndTiesInScheduledOrder) {
  VirtualTime now{std::chrono::hours(1)};
  VirtualScheduler scheduler(now);
  std::string ran;
  const char* names = "abcdefghij";
  const double delays[] = {0.2, 0.1, 0.2, 0.1, 0.0, 0.2, 0.1, 0.0, 0.2, 0.1};
  for (int i = 0; i < 10; ++i) scheduler.schedule(delays[i], [&, i] { ran += names[i]; });

  while (auto due = scheduler.takeDue(now + toDuration(0.15))) due->second();
  EXPECT_EQ(ran, "ehbdgj");
  EXPECT_EQ(scheduler.nextDue(), now + toDuration(0.2));

  now += toDuration(1);
  scheduler.schedule(0, [&] { ran += '!'; });  // due after the older work
  while (auto due = scheduler.takeDue(now)) due->second();
  EXPECT_EQ(ran, "ehbdgjacfi!");
  EXPECT_EQ(scheduler.nextDue(), std::nullopt);
}

}  // namespace
}  // namespace marlinet::simulation
