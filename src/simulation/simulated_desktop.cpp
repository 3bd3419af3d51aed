#include "simulation/simulated_desktop.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/localization.h"
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

// The keyboard tap of the simulated desktop: every event of the stream goes
// through the handler while the tap runs.
class SimulatedDesktop::Tap final : public EventTapControl {
 public:
  void setHandler(TapHandler handler) override { handler_ = std::move(handler); }
  bool start() override { return running_ = true; }
  void stop() override { running_ = false; }
  bool isRunning() const override { return running_; }

  TapCallbackResult dispatch(const SimulatedEvent& event, const std::function<void(const TapEvent&)>& seen) {
    if (!running_ || !handler_) return {};
    return dispatchTapEvent(SimulatedRawEvent(event), [&](const TapEvent& tapEvent) {
      seen(tapEvent);
      return handler_(tapEvent);
    });
  }

 private:
  TapHandler handler_;
  bool running_ = false;
};

SimulatedDesktop::SimulatedDesktop(std::ostream& trace, const SimulationLists& lists)
    : trace_(trace),
      poster_([this](SimulatedEvent event) { posted_.push_back(std::move(event)); }),
      tap_(std::make_unique<Tap>()),
      services_(lists.system),
      field_([this] { return pasteboard_.plainText(); }) {
  model_ = std::make_unique<AppModel>(
      services_.services(context_, poster_, pasteboard_, scheduler_, [this] { return now_; }, *tap_));
  ExpansionCoordinator& coordinator = model_->coordinator();
  coordinator.onVerdict = [this](Verdict verdict) {
    if (verdict != Verdict::track) refusal_ = verdict;
  };
  coordinator.onExpansion = [this](const Expansion& x) {
    json line{{"t", seconds()}, {"kind", "expansion"}, {"typedShortcut", x.typedShortcut}, {"phrase", x.phrase},
              {"deleteCount", x.deleteCount}, {"delimiter", x.delimiter}};
    writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
  };
  pasteboard_.onChange = [this](std::string_view action, const std::vector<PasteboardItemSnapshot>& items) {
    json line{{"t", seconds()}, {"kind", "pasteboard"}, {"action", action}, {"items", itemsJSON(items)}};
    writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
  };

  model_->start();
  if (lists.imported) {
    services_.chooseNext(*lists.imported);
    model_->importReplacements();
    importRefused_ = services_.lastAlert() == localized(AppModel::notAListMessage);
  }
  runWorkDueBy(now_);  // what the start left for the next turn
}

SimulatedDesktop::~SimulatedDesktop() = default;

void SimulatedDesktop::setFrontmost(std::optional<std::string> bundleID) {
  if (bundleID == context_.frontmost) return;
  context_.frontmost = std::move(bundleID);
  services_.otherApplicationActivated();
}

void SimulatedDesktop::setExpansionEnabled(bool on) { model_->setEnabled(on); }

void SimulatedDesktop::setExcludedBundleIDs(const std::set<std::string>& bundleIDs) {
  model_->setExcludedBundleIDs(bundleIDs);
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
  refusal_.reset();
  bool synthetic = false;
  const TapCallbackResult result = tap_->dispatch(event, [&](const TapEvent& tapEvent) {
    if (const auto* key = std::get_if<KeyTapEvent>(&tapEvent)) synthetic = key->synthetic;
  });
  if (refusal_) traceLine_.begin(seconds(), "gate").text("verdict", verdictName(*refusal_)).writeTo(trace_);
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
  model_->stop();  // the permission polling would otherwise never leave the clock idle
  while (const auto due = scheduler_.nextDue()) runWorkDueBy(*due);
  json line{{"t", seconds()},
            {"kind", "end"},
            {"text", field_.text()},
            {"pasteboard", itemsJSON(pasteboard_.items())},
            {"changeCount", pasteboard_.changeCount()},
            {"isExpanding", coordinator().isExpanding()}};
  writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
}

}  // namespace marlinet::simulation
