#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "app/app_model.h"
#include "coordination/expansion_coordinator.h"
#include "simulation/simulated_event.h"
#include "simulation/simulated_event_poster.h"
#include "simulation/simulated_pasteboard.h"
#include "simulation/simulated_services.h"
#include "simulation/text_field.h"
#include "simulation/trace_line.h"
#include "simulation/virtual_scheduler.h"

namespace marlinet::simulation {

// The frontmost application, secure input and input source, as set by the script.
class SimulatedContext final : public ExpansionContext {
 public:
  std::optional<std::string> frontmostBundleID() const override { return frontmost; }
  bool isSecureInputEnabled() const override { return secureInput; }
  std::optional<InputSourceInfo> inputSource() const override { return source; }

  std::optional<std::string> frontmost = std::string("com.example.editor");
  bool secureInput = false;
  std::optional<InputSourceInfo> source = InputSourceInfo{"com.apple.keylayout.US", "TISTypeKeyboardLayout", {"en"}};
};

// The replacement lists a simulated run starts with.
struct SimulationLists {
  std::optional<std::filesystem::path> imported;  // imported as the user would, through the model
  std::optional<std::filesystem::path> system;    // the user's own list file
};

// A whole desktop in memory: a virtual clock, a keyboard event stream through
// a tap into the real application model and its coordinator, a poster, a
// pasteboard, the user's settings and a frontmost text field. Writes a JSON
// Lines trace of what happens.
class SimulatedDesktop final {
 public:
  // Starts the model and imports `lists.imported`; `importRefused` tells
  // whether the model refused that file as not a replacement list.
  SimulatedDesktop(std::ostream& trace, const SimulationLists& lists);
  ~SimulatedDesktop();
  SimulatedDesktop(const SimulatedDesktop&) = delete;
  SimulatedDesktop& operator=(const SimulatedDesktop&) = delete;

  // The user types each character: key-down now, key-up half an interval
  // later, the next character one interval later.
  void typeText(std::string_view text, double interval);
  // One raw key event now; a press is down now, up 0.05 s later, and takes 0.1 s.
  enum class KeyAction { down, up, press };
  void key(std::uint16_t keyCode, const std::string& characters, KeyModifiers modifiers, KeyAction action);
  void click();
  void tapDisabled();
  void wait(double seconds);
  // The main thread is busy: time passes and nothing runs until the next user event.
  void stall(double seconds);
  void copy(std::vector<PasteboardItemSnapshot> items);

  bool importRefused() const { return importRefused_; }

  SimulatedContext& context() { return context_; }
  // Another application comes to the front, as the desktop announces it.
  void setFrontmost(std::optional<std::string> bundleID);
  // What the user changes in the settings window.
  void setExpansionEnabled(bool on);
  void setExcludedBundleIDs(const std::set<std::string>& bundleIDs);

  // Lets the clock run until no work is left and writes the closing line.
  void finish();

  double seconds() const;
  const std::string& text() const { return field_.text(); }
  const SimulatedPasteboard& pasteboard() const { return pasteboard_; }
  const ExpansionCoordinator& coordinator() const { return model_->coordinator(); }

 private:
  void userEventAt(VirtualTime at, const SimulatedEvent& event);
  void runWorkDueBy(VirtualTime limit);
  // Lets time pass to `target`, running what falls due unless the thread is stalled.
  void advanceTo(VirtualTime target);
  void throughTap(const SimulatedEvent& event);
  void deliverPosted();
  void writeLine(const std::string& json);

  std::ostream& trace_;
  TraceLine traceLine_;
  VirtualTime start_{std::chrono::hours(1)};
  VirtualTime now_ = start_;
  bool stalled_ = false;
  std::deque<SimulatedEvent> posted_;

  VirtualScheduler scheduler_{now_};
  SimulatedContext context_;
  SimulatedEventPoster poster_;
  SimulatedPasteboard pasteboard_;
  class Tap;
  std::unique_ptr<Tap> tap_;
  SimulatedServices services_;
  std::unique_ptr<AppModel> model_;
  bool importRefused_ = false;
  std::optional<Verdict> refusal_;  // the gate's answer for the event going through the tap
  TextField field_;
};

}  // namespace marlinet::simulation
