#include "x11/x11_tap.h"

#include <X11/Xlib-xcb.h>
#include <X11/extensions/XTest.h>
#include <xcb/xinput.h>

#include <array>
#include <cstring>
#include <string_view>

#include "x11/key_translation.h"

namespace marlinet::x11 {
namespace {

struct DeviceInfoFree {
  void operator()(XIDeviceInfo* info) const noexcept { XIFreeDeviceInfo(info); }
};

// The modifier combinations of `combinations` (one bit each), as grabs take
// them: explicit, never XIAnyModifier, with which Control+Return would be
// grabbed and posted again without its Control.
std::size_t grabModifiers(std::uint16_t combinations, std::array<XIGrabModifiers, xmod::typingCombinations>& out) {
  std::size_t count = 0;
  for (std::size_t combination = 0; combination < xmod::typingCombinations; ++combination) {
    if (combinations & (1U << combination)) {
      out[count++] = XIGrabModifiers{static_cast<int>(xmod::typingCombinationModifiers(combination)), 0};
    }
  }
  return count;
}

// Key events, and the raw events too: a grab of our own would otherwise
// filter the raw events selected on the root.
struct GrabMask {
  // Whole 32-bit words, as the XCB request counts them; Xlib takes their bytes.
  std::array<std::uint32_t, (XIMaskLen(XI_LASTEVENT) + 3) / 4> words{};
  XIEventMask mask{XIAllDevices, XIMaskLen(XI_LASTEVENT), reinterpret_cast<unsigned char*>(words.data())};
  GrabMask(const GrabMask&) = delete;  // the mask points into its own words
  GrabMask& operator=(const GrabMask&) = delete;
  explicit GrabMask(int device) {
    mask.deviceid = device;
    XISetMask(mask.mask, XI_KeyPress);
    XISetMask(mask.mask, XI_KeyRelease);
    XISetMask(mask.mask, XI_RawKeyPress);
    XISetMask(mask.mask, XI_RawKeyRelease);
  }
};

// The combinations whose Num Lock is as `numLock` says.
std::uint16_t combinationsWithNumLock(bool numLock) {
  std::uint16_t combinations = 0;
  for (std::size_t combination = 0; combination < xmod::typingCombinations; ++combination) {
    if (((xmod::typingCombinationModifiers(combination) & xmod::mod2) != 0) == numLock) combinations |= 1U << combination;
  }
  return combinations;
}

}  // namespace

X11Tap::X11Tap(::Display* display, KeyboardStatus& keyboard, X11Poster& poster, Scheduler& scheduler)
    : display_(display),
      keyboard_(keyboard),
      poster_(poster),
      scheduler_(scheduler),
      self_(std::make_shared<X11Tap*>(this)) {
  poster_.replayAsUser = [this](std::shared_ptr<const CapturedKey> key) { replay(std::move(key)); };
  poster_.hearOwnKeys = [this](bool on) { hearXTestKeys(on); };
}

X11Tap::~X11Tap() {
  stop();
  poster_.replayAsUser = nullptr;
  poster_.hearOwnKeys = nullptr;
}

bool X11Tap::start() {
  if (running_) return true;
  int event = 0;
  int error = 0;
  int major = 2;
  int minor = 2;
  if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error) ||
      XIQueryVersion(display_, &major, &minor) != Success || major < 2 || (major == 2 && minor < 2)) {
    return false;
  }
  int xtestEvent = 0;
  int xtestError = 0;
  if (!XTestQueryExtension(display_, &xtestEvent, &xtestError, &major, &minor) || !keyboard_.map) return false;
  if (!findKeyboards()) return false;

  selectEvents(true);
  running_ = true;
  if (!grabKeys(true)) {
    // Every delimiter is another client's: we could never swallow one.
    stop();
    return false;
  }
  XFlush(display_);
  return true;
}

void X11Tap::stop() {
  if (!running_) return;
  running_ = false;
  grabKeys(false);
  if (activeGrab_ && !activeGrab_->ungrabSerial) XIUngrabDevice(display_, activeGrab_->device, CurrentTime);
  activeGrab_.reset();
  selectEvents(false);
  replays_.clear();
  poster_.endBatch();
  XFlush(display_);
}

void X11Tap::selectEvents(bool on) {
  // Raw keys from each keyboard alone: selected for every device they come
  // twice (the master repeats them), and the server's work for each key we
  // post doubles.
  using Bits = std::array<unsigned char, XIMaskLen(XI_LASTEVENT)>;
  Bits everyDevice{};
  Bits keyboards{};
  if (on) {
    XISetMask(everyDevice.data(), XI_HierarchyChanged);
    XISetMask(everyDevice.data(), XI_RawButtonPress);
    XISetMask(keyboards.data(), XI_RawKeyPress);
    XISetMask(keyboards.data(), XI_RawKeyRelease);
  }
  std::vector<XIEventMask> masks{{XIAllDevices, static_cast<int>(everyDevice.size()), everyDevice.data()}};
  for (int device : physicalKeyboards_) masks.push_back({device, static_cast<int>(keyboards.size()), keyboards.data()});
  if (xtestKeyboard_ >= 0) masks.push_back({xtestKeyboard_, static_cast<int>(keyboards.size()), keyboards.data()});
  XISelectEvents(display_, DefaultRootWindow(display_), masks.data(), static_cast<int>(masks.size()));
}

void X11Tap::hearXTestKeys(bool on) {
  // Told apart from other programs' keys only by the poster's queue, our own
  // need not come back: each one heard is one more event the server writes
  // while the application waits for the rest of the phrase.
  if (!running_ || xtestKeyboard_ < 0) return;
  // Built here in the request's own layout and sent through XCB: this runs
  // around every batch, and Xlib's XISelectEvents allocates a copy of each mask.
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t bits;
  } mask{{static_cast<xcb_input_device_id_t>(xtestKeyboard_), 1},
         on ? XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE : 0U};
  xcb_input_xi_select_events(XGetXCBConnection(display_), DefaultRootWindow(display_), 1, &mask.head);
}

bool X11Tap::findKeyboards() {
  int count = 0;
  const std::unique_ptr<XIDeviceInfo, DeviceInfoFree> devices(XIQueryDevice(display_, XIAllDevices, &count));
  physicalKeyboards_.clear();
  xtestKeyboard_ = -1;
  for (int i = 0; devices && i < count; ++i) {
    const XIDeviceInfo& device = devices.get()[i];
    if (device.use != XISlaveKeyboard) continue;
    if (std::string_view(device.name).find("XTEST") != std::string_view::npos) {
      xtestKeyboard_ = device.deviceid;
    } else {
      physicalKeyboards_.push_back(device.deviceid);
    }
  }
  return xtestKeyboard_ >= 0;
}

bool X11Tap::grabKeys(bool grab) {
  const Window root = DefaultRootWindow(display_);
  std::array<XIGrabModifiers, xmod::typingCombinations> modifiers{};
  if (!grab) {
    for (std::uint8_t key : grabbedKeys_) {
      const auto count = static_cast<int>(grabModifiers(grabbedCombinations_[key], modifiers));
      for (int device : physicalKeyboards_) XIUngrabKeycode(display_, device, key, root, count, modifiers.data());
    }
    grabbedKeys_.clear();
    grabbedCombinations_.fill(0);
    return true;
  }
  grabbedKeys_ = keyboard_.map->delimiterKeys();
  bool any = false;
  for (std::uint8_t key : grabbedKeys_) {
    grabbedCombinations_[key] = keyboard_.map->delimiterCombinations(key) & combinationsWithNumLock(numLock_);
    for (int device : physicalKeyboards_) {
      GrabMask mask(device);
      // Filled for each request: a partly refused grab writes the refused
      // combinations back into the list.
      const auto count = static_cast<int>(grabModifiers(grabbedCombinations_[key], modifiers));
      // Answers how many combinations another client's grab kept from us.
      const int refused = XIGrabKeycode(display_, device, key, root, XIGrabModeSync, XIGrabModeAsync, False,
                                        &mask.mask, count, modifiers.data());
      any = any || (refused >= 0 && refused < count);
    }
  }
  return any || physicalKeyboards_.empty();
}

void X11Tap::lockedModifiersChanged(std::uint32_t locked) {
  const bool numLock = (locked & xmod::mod2) != 0;
  if (numLock == numLock_) return;
  numLock_ = numLock;
  keymapChanged();
}

void X11Tap::keymapChanged() {
  if (!running_) return;
  grabKeys(false);
  grabKeys(true);
  XFlush(display_);
}

bool X11Tap::handleEvent(XGenericEventCookie& cookie) {
  if (cookie.extension != xiOpcode_ || !running_) return false;
  if (!XGetEventData(display_, &cookie)) return true;
  switch (cookie.evtype) {
    case XI_RawKeyPress:
    case XI_RawKeyRelease:
      handleRaw(*static_cast<const XIRawEvent*>(cookie.data), cookie.evtype == XI_RawKeyPress);
      break;
    case XI_KeyPress:
    case XI_KeyRelease:
      handleDevice(*static_cast<const XIDeviceEvent*>(cookie.data), cookie.evtype == XI_KeyPress);
      break;
    case XI_RawButtonPress:
      if (handler_) handler_(MouseDown{});
      break;
    case XI_HierarchyChanged:
      // Keyboards come and go: watch and grab the ones there are now.
      grabKeys(false);
      selectEvents(false);
      findKeyboards();
      selectEvents(true);
      grabKeys(true);
      XFlush(display_);
      break;
    default:
      break;
  }
  XFreeEventData(display_, &cookie);
  return true;
}

bool X11Tap::underActiveGrab(int device, unsigned long serial) const {
  return activeGrab_ && activeGrab_->device == device && serial >= activeGrab_->grabSerial &&
         (!activeGrab_->ungrabSerial || serial < *activeGrab_->ungrabSerial);
}

void X11Tap::handleRaw(const XIRawEvent& event, bool press) {
  // Each key comes twice, from its keyboard and from the master; only the
  // keyboard's copy exists while that keyboard is grabbed.
  if (event.deviceid != event.sourceid || event.detail < 8 || event.detail > 255) return;
  drainReplays();
  const auto key = static_cast<std::uint8_t>(event.detail);
  const KeyboardMap& map = *keyboard_.map;
  if (event.sourceid == xtestKeyboard_) {
    // Another program typing through XTest is not the user's typing and can
    // never be swallowed: it only ends the word being tracked.
    if (!poster_.recogniseOwn(key, press) && press && !map.isModifierKey(key) && handler_) handler_(MouseDown{});
    return;
  }
  keyboard_.physicallyDown[key] = press;
  const bool grabbed = underActiveGrab(event.sourceid, event.serial);
  if (press || !grabbed) keyboard_.masterMayHold[key] = press;
  // The user's state before this key: a key does not change its own text.
  const std::uint32_t modifiers = map.userModifiers();
  keyboard_.map->userKey(key, press);
  if (map.isModifierKey(key)) {
    if (!press) poster_.userReleased(key);
    return;
  }
  // Keys that come to us through a grab are judged from that event.
  if (grabbed) return;
  const std::optional<std::size_t> combination = xmod::typingCombination(modifiers);
  if (press && combination && (grabbedCombinations_[key] & (1U << *combination))) return;
  // Already on its way to the application: seen, never withheld (no copy).
  KeyTapEvent observed;
  observed.event.phase = press ? Phase::down : Phase::up;
  observed.event.keyCode = heartKeyCode(map.baseKeysym(key));
  observed.event.modifiers = heartModifiers(modifiers);
  map.text(key, modifiers, keyboard_.group, observed.event.characters);
  if (handler_) handler_(observed);
}

void X11Tap::handleDevice(const XIDeviceEvent& event, bool press) {
  if (event.detail < 8 || event.detail > 255) return;
  drainReplays();
  if (press && !underActiveGrab(event.deviceid, event.serial)) {
    // A grabbed key froze its keyboard. Keep the keyboard (so that what the
    // user types next comes to us, in order) and let it run on at once:
    // thawing it any other way loses the keys typed meanwhile.
    if (activeGrab_ && !activeGrab_->ungrabSerial && activeGrab_->device != event.deviceid) {
      XIUngrabDevice(display_, activeGrab_->device, CurrentTime);
    }
    // XNextRequest, not NextRequest: Xlib's own count lags behind requests sent through XCB.
    activeGrab_ = ActiveGrab{event.deviceid, XNextRequest(display_), std::nullopt};
    grabDeviceWithoutWaiting(event.deviceid);
    XIAllowEvents(display_, event.deviceid, XIAsyncDevice, CurrentTime);
    XFlush(display_);
  }
  ++activity_;
  scheduleRelease();
  const auto key = static_cast<std::uint8_t>(event.detail);
  // A modifier's own events are carried by the state of the keys around it,
  // but a lock outlasts them: a held keyboard is detached from the one
  // applications read, which would never learn of a lock switched on it.
  if (keyboard_.map->isModifierKey(key)) {
    const xkb_keysym_t keysym = keyboard_.map->baseKeysym(key);
    if (keysym == XKB_KEY_Caps_Lock || keysym == XKB_KEY_Num_Lock) poster_.userSwitchedLock();
    return;
  }
  if (press) beforeGrabbedKey();
  dispatch(std::make_shared<const CapturedKey>(key, press, static_cast<std::uint32_t>(event.mods.effective),
                                               static_cast<std::uint32_t>(event.group.effective)));
}

void X11Tap::grabDeviceWithoutWaiting(int device) {
  // Xlib's XIGrabDevice waits for the answer, a round trip on the way of
  // every grabbed key; its status tells nothing we would act on (the key
  // that led here is ours already, and a refused grab only means later keys
  // go the usual way). Sent through XCB with the answer discarded instead,
  // in its place among Xlib's requests.
  GrabMask mask(device);
  xcb_connection_t* connection = XGetXCBConnection(display_);
  const xcb_input_xi_grab_device_cookie_t cookie = xcb_input_xi_grab_device(
      connection, DefaultRootWindow(display_), XCB_CURRENT_TIME, XCB_NONE, static_cast<xcb_input_device_id_t>(device),
      XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_OWNER_NO_OWNER,
      static_cast<std::uint16_t>(mask.words.size()), mask.words.data());
  xcb_discard_reply(connection, cookie.sequence);
}

void X11Tap::dispatch(const std::shared_ptr<const CapturedKey>& key) {
  const KeyboardMap& map = *keyboard_.map;
  KeyTapEvent tapEvent;
  KeyEvent& event = tapEvent.event;
  event.phase = key->press ? Phase::down : Phase::up;
  event.keyCode = heartKeyCode(map.baseKeysym(key->keycode));
  event.modifiers = heartModifiers(key->modifiers);
  map.text(key->keycode, key->modifiers, key->group, event.characters);
  event.original = key;
  const TapVerdict verdict = handler_ ? handler_(tapEvent) : TapVerdict::pass;
  // It came to us, not to the application: a passed key is posted on.
  if (verdict == TapVerdict::pass) poster_.repostAsOwn(key);
}

void X11Tap::replay(std::shared_ptr<const CapturedKey> key) {
  replays_.push_back(std::move(key));
  scheduler_.schedule(0, [weak = std::weak_ptr<X11Tap*>(self_)] {
    if (const auto self = weak.lock()) (*self)->drainReplays();
  });
}

void X11Tap::drainReplays() {
  // Replays go before anything read later, in the order they were typed.
  while (!replays_.empty()) {
    const std::shared_ptr<const CapturedKey> key = std::move(replays_.front());
    replays_.pop_front();
    dispatch(key);
  }
}

void X11Tap::scheduleRelease() {
  scheduler_.schedule(quietSeconds, [weak = std::weak_ptr<X11Tap*>(self_), generation = activity_] {
    if (const auto self = weak.lock()) (*self)->releaseIfQuiet(generation);
  });
}

void X11Tap::releaseIfQuiet(std::uint64_t generation) {
  if (generation != activity_ || !activeGrab_ || activeGrab_->ungrabSerial) return;
  const bool keyDown = std::find(keyboard_.physicallyDown.begin(), keyboard_.physicallyDown.end(), true) !=
                       keyboard_.physicallyDown.end();
  if (keyDown || isBusy() || !replays_.empty()) {
    scheduleRelease();
    return;
  }
  // Keys the server handled before this request still come to us, marked
  // with earlier serials; later ones go straight to the application.
  activeGrab_->ungrabSerial = XNextRequest(display_);
  XIUngrabDevice(display_, activeGrab_->device, CurrentTime);
  XFlush(display_);
}

}  // namespace marlinet::x11
