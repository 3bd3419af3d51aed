#include "simulation/simulated_desktop.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "engine/unicode_text.h"
#include "simulation/us_keyboard_layout.h"

namespace marlinet::simulation {
namespace {

using json = nlohmann::ordered_json;

const char* verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::track: return "track";
    case Verdict::off: return "off";
    case Verdict::excludedApp: return "excludedApp";
    case Verdict::secureInput: return "secureInput";
    case Verdict::composingInput: return "composingInput";
    case Verdict::ownApp: return "ownApp";
  }
  return "track";
}

json itemsJSON(const std::vector<PasteboardItemSnapshot>& items) {
  json array = json::array();
  for (const PasteboardItemSnapshot& item : items) {
    json object = json::object();
    for (const auto& [type, bytes] : item) {
      object[type] = unicode::sanitizedUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    array.push_back(std::move(object));
  }
  return array;
}

}  // namespace

SimulatedDesktop::SimulatedDesktop(std::ostream& trace, const std::vector<Replacement>& replacements)
    : trace_(trace),
      poster_([this](SimulatedEvent event) { posted_.push_back(std::move(event)); }),
      coordinator_(context_, poster_, keeper_, scheduler_, [this] { return now_; }),
      field_([this] { return pasteboard_.plainText(); }) {
  coordinator_.engine().setIndex(ReplacementIndex(replacements));
  coordinator_.isAllowed = [this] { return preferences_.expansionEnabled(); };
  coordinator_.excludedBundleIDs = [this] {
    const std::set<std::string> excluded = preferences_.excludedBundleIDs();
    return std::make_shared<const BundleIDSet>(excluded.begin(), excluded.end());
  };
  coordinator_.onExpansion = [this](const Expansion& x) {
    json line{{"t", seconds()}, {"kind", "expansion"}, {"typedShortcut", x.typedShortcut}, {"phrase", x.phrase},
              {"deleteCount", x.deleteCount}, {"delimiter", x.delimiter}};
    writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
  };
  pasteboard_.onChange = [this](std::string_view action, const std::vector<PasteboardItemSnapshot>& items) {
    json line{{"t", seconds()}, {"kind", "pasteboard"}, {"action", action}, {"items", itemsJSON(items)}};
    writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
  };
}

double SimulatedDesktop::seconds() const { return std::chrono::duration<double>(now_ - start_).count(); }

void SimulatedDesktop::writeLine(const std::string& line) { trace_ << line << '\n'; }

void SimulatedDesktop::runWorkDueBy(VirtualTime limit) {
  while (auto due = scheduler_.takeDue(limit)) {
    now_ = std::max(now_, due->first);
    due->second();
    deliverPosted();
  }
}

void SimulatedDesktop::userEventAt(VirtualTime at, const SimulatedEvent& event) {
  if (!stalled_) runWorkDueBy(at);
  now_ = std::max(now_, at);
  throughTap(event);
  deliverPosted();
  if (stalled_) {
    // What fell due during the stall runs now that the thread is free again.
    stalled_ = false;
    runWorkDueBy(now_);
  }
}

void SimulatedDesktop::deliverPosted() {
  while (!posted_.empty()) {
    const SimulatedEvent event = std::move(posted_.front());
    posted_.pop_front();
    throughTap(event);
  }
}

void SimulatedDesktop::throughTap(const SimulatedEvent& event) {
  context_.consulted = false;
  bool synthetic = false;
  const TapCallbackResult result = dispatchTapEvent(SimulatedRawEvent(event), [&](const TapEvent& tapEvent) {
    if (const auto* key = std::get_if<KeyTapEvent>(&tapEvent)) synthetic = key->synthetic;
    return coordinator_.handle(tapEvent);
  });
  if (context_.consulted && coordinator_.lastVerdict() != Verdict::track) {
    traceLine_.begin(seconds(), "gate").text("verdict", verdictName(coordinator_.lastVerdict())).writeTo(trace_);
  }
  if (!event.isKey()) return;  // mouse-downs and tap notifications reach no text field
  const std::string characters = unicode::fromUtf16(event.unicode);
  const char* phase = event.type == rawEventType::keyDown ? "down" : "up";
  // One line per key event: written member by member, not built as a document.
  traceLine_.begin(seconds(), result.removeEvent ? "swallow" : "deliver")
      .text("phase", phase)
      .number("keyCode", event.keyCode)
      .text("characters", characters);
  if (result.removeEvent) {
    traceLine_.writeTo(trace_);
    return;
  }
  traceLine_.number("flags", event.flags).boolean("synthetic", synthetic).writeTo(trace_);
  field_.apply(event);
}

void SimulatedDesktop::typeText(std::string_view text, double interval) {
  const std::string clean = unicode::sanitizedUtf8(text);
  unicode::forEachCharacter(clean, [&](std::string_view character) {
    SimulatedEvent event;
    if (const auto key = usKeyFor(character)) {
      event.keyCode = key->keyCode;
      event.flags = key->shift ? rawEventFlag::shift : 0;
      event.unicode = unicode::toUtf16(*usCharactersFor(key->keyCode, key->shift));
    } else {
      event.unicode = unicode::toUtf16(character);
    }
    const VirtualTime downAt = now_;
    event.type = rawEventType::keyDown;
    userEventAt(downAt, event);
    event.type = rawEventType::keyUp;
    userEventAt(downAt + toDuration(interval / 2), event);
    advanceTo(downAt + toDuration(interval));
  });
}

void SimulatedDesktop::key(std::uint16_t keyCode, const std::string& characters, KeyModifiers modifiers,
                           KeyAction action) {
  SimulatedEvent event;
  event.keyCode = keyCode;
  event.flags = flagsFromModifiers(modifiers);
  event.unicode = unicode::toUtf16(characters);
  const VirtualTime at = now_;
  if (action != KeyAction::up) {
    event.type = rawEventType::keyDown;
    userEventAt(at, event);
  }
  if (action != KeyAction::down) {
    event.type = rawEventType::keyUp;
    userEventAt(action == KeyAction::press ? at + toDuration(0.05) : at, event);
  }
  if (action == KeyAction::press) advanceTo(at + toDuration(0.1));
}

void SimulatedDesktop::click() {
  SimulatedEvent event;
  event.type = rawEventType::leftMouseDown;
  userEventAt(now_, event);
}

void SimulatedDesktop::tapDisabled() {
  SimulatedEvent event;
  event.type = rawEventType::tapDisabledByTimeout;
  userEventAt(now_, event);
}

void SimulatedDesktop::advanceTo(VirtualTime target) {
  if (!stalled_) runWorkDueBy(target);
  now_ = std::max(now_, target);
}

void SimulatedDesktop::wait(double seconds) {
  stalled_ = false;
  advanceTo(now_ + toDuration(seconds));
}

void SimulatedDesktop::stall(double seconds) {
  now_ += toDuration(seconds);
  stalled_ = true;
}

void SimulatedDesktop::copy(std::vector<PasteboardItemSnapshot> items) { pasteboard_.copy(std::move(items)); }

void SimulatedDesktop::finish() {
  stalled_ = false;
  while (const auto due = scheduler_.nextDue()) runWorkDueBy(*due);
  json line{{"t", seconds()},
            {"kind", "end"},
            {"text", field_.text()},
            {"pasteboard", itemsJSON(pasteboard_.items())},
            {"changeCount", pasteboard_.changeCount()},
            {"isExpanding", coordinator_.isExpanding()}};
  writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
}

}  // namespace marlinet::simulation
