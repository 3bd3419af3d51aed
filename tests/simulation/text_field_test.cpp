#include "simulation/text_field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/key_event.h"
#include "engine/unicode_text.h"

namespace marlinet::simulation {
namespace {

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

}  // namespace
}  // namespace marlinet::simulation
