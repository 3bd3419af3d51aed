#include "x11/x11_poster.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

#include "engine/unicode_text.h"
#include "x11/key_translation.h"

namespace marlinet::x11 {
namespace {

// Modifiers a posted key may need, as X modifier bits.
constexpr std::array<std::uint32_t, 5> heldModifierBits{xmod::shift, xmod::control, xmod::mod1, xmod::mod4,
                                                        xmod::mod5};

// Sent events the server never reported (a release of a key that was not
// down is dropped) are forgotten after this long.
constexpr std::chrono::seconds sentMemory{2};

std::size_t scalarCount(std::string_view character) {
  return static_cast<std::size_t>(
      std::count_if(character.begin(), character.end(), [](char byte) { return (byte & 0xC0) != 0x80; }));
}

template <typename Each>
bool forEachScalar(std::string_view text, Each each) {
  bool all = true;
  unicode::forEachCharacter(text, [&](std::string_view character) {
    // A character of several scalars (an accent on a letter, a flag) has no single key.
    const char32_t scalar = unicode::firstScalar(character);
    all = all && scalarCount(character) == 1 && each(scalar);
  });
  return all;
}

}  // namespace

X11Poster::X11Poster(::Display* display, KeyboardStatus& keyboard, Scheduler& scheduler)
    : display_(display), keyboard_(keyboard), scheduler_(scheduler), self_(std::make_shared<X11Poster*>(this)) {}

X11Poster::~X11Poster() {
  if (batchOpen_) endBatch();
}

void X11Poster::send(std::uint8_t keycode, bool press) {
  // The master ignores a second press of a key it believes down (the user's,
  // or one of ours passed on while the user still holds it).
  if (press && keyboard_.masterMayHold[keycode]) fake(keycode, false);
  fake(keycode, press);
  keyboard_.masterMayHold[keycode] = press;
}

void X11Poster::fake(std::uint8_t keycode, bool press) {
  XTestFakeKeyEvent(display_, keycode, press ? True : False, CurrentTime);
  // Keys sent while not hearing never come back to be recognised.
  if (!deaf_) sent_.push_back({keycode, press, std::chrono::steady_clock::now()});
}

void X11Poster::hearOwn(bool on) {
  if (!hearOwnKeys) return;
  hearOwnKeys(on);
  deaf_ = !on;
}

void X11Poster::beginBatch() {
  if (batchOpen_) return;
  batchOpen_ = true;
  hearOwn(false);
  // The master keeps one down state per key for all keyboards: release the
  // modifiers it may believe down, so none leaks into what we post (a
  // release of a key it does not hold is ignored). Known from the keys
  // themselves, not asked: a question would wait behind the keymap the
  // server sends every client when our keys take over from the physical
  // keyboard.
  const KeyboardMap* map = keyboard_.map.get();
  for (std::size_t key = 8; map && key < keyboard_.masterMayHold.size(); ++key) {
    if (keyboard_.masterMayHold[key] && map->isModifierKey(static_cast<std::uint8_t>(key))) {
      send(static_cast<std::uint8_t>(key), false);
    }
  }
  heldModifierKey_.fill(0);  // ours are among them
  capsWasLocked_ = map && (map->userModifiers() & xmod::lock);
  capsLocked_ = capsWasLocked_;
  setCapsLock(false);
  scheduler_.schedule(0, [weak = std::weak_ptr<X11Poster*>(self_)] {
    if (const auto self = weak.lock()) (*self)->endBatch();
  });
}

void X11Poster::endBatch() {
  if (!batchOpen_) return;
  batchOpen_ = false;
  std::uint32_t held = 0;
  if (const KeyboardMap* map = keyboard_.map.get()) {
    for (std::size_t code = 8; code < keyboard_.physicallyDown.size(); ++code) {
      if (keyboard_.physicallyDown[code]) held |= map->modifierOfKey(static_cast<std::uint8_t>(code));
    }
  }
  holdModifiers(held | (capsWasLocked_ ? xmod::lock : 0));
  hearOwn(true);
  XFlush(display_);
}

void X11Poster::setCapsLock(bool locked) {
  if (capsLocked_ == locked) return;
  XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, locked ? LockMask : 0);
  capsLocked_ = locked;
}

void X11Poster::holdModifiers(std::uint32_t state) {
  const KeyboardMap* map = keyboard_.map.get();
  for (std::size_t bit = 0; bit < 8; ++bit) {
    const std::uint32_t mask = 1U << bit;
    if (std::find(heldModifierBits.begin(), heldModifierBits.end(), mask) == heldModifierBits.end()) continue;
    const bool want = state & mask;
    if (want && heldModifierKey_[bit] == 0) {
      if (const auto key = map ? map->modifierKey(mask) : std::nullopt) {
        send(*key, true);
        heldModifierKey_[bit] = *key;
      }
    } else if (!want && heldModifierKey_[bit] != 0) {
      send(heldModifierKey_[bit], false);
      heldModifierKey_[bit] = 0;
    }
  }
  setCapsLock(state & xmod::lock);
}

void X11Poster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
  const KeyboardMap* map = keyboard_.map.get();
  const auto keysym = keysymForHeartKeyCode(keyCode);
  const auto key = map && keysym ? map->keyForKeysym(*keysym) : std::nullopt;
  if (!key) return;
  beginBatch();
  if (down) holdModifiers(xModifiersForFlags(flags));
  send(*key, down);
}

void X11Poster::postText(const std::string& text) {
  const KeyboardMap* map = keyboard_.map.get();
  if (!map) return;
  beginBatch();
  forEachScalar(text, [&](char32_t scalar) {
    const auto stroke = map->stroke(scalar, keyboard_.group);
    if (!stroke) return false;
    holdModifiers(stroke->modifiers);
    send(stroke->keycode, true);
    send(stroke->keycode, false);
    return true;
  });
}

bool X11Poster::canType(std::string_view text) {
  const KeyboardMap* map = keyboard_.map.get();
  return map && forEachScalar(text, [&](char32_t scalar) { return map->stroke(scalar, keyboard_.group).has_value(); });
}

std::optional<std::uint16_t> X11Poster::keyCode(const std::string& character) {
  const KeyboardMap* map = keyboard_.map.get();
  if (!map || character != "v" || !map->keyForKeysym(XKB_KEY_v)) return std::nullopt;
  return keycode::v;
}

void X11Poster::repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) {
  const auto* key = dynamic_cast<const CapturedKey*>(event.get());
  const KeyboardMap* map = keyboard_.map.get();
  // A modifier's own events are carried by the state of the keys around it.
  if (!key || !map || map->isModifierKey(key->keycode)) return;
  beginBatch();
  if (key->press) holdModifiers(key->modifiers & (xmod::lock | xmod::shift | xmod::control | xmod::mod1 | xmod::mod4 | xmod::mod5));
  send(key->keycode, key->press);
}

void X11Poster::repostAsUser(const std::shared_ptr<const CapturedEvent>& event) {
  auto key = std::dynamic_pointer_cast<const CapturedKey>(event);
  if (key && replayAsUser) replayAsUser(std::move(key));
}

bool X11Poster::recogniseOwn(std::uint8_t keycode, bool press) {
  const auto now = std::chrono::steady_clock::now();
  while (!sent_.empty() && now - sent_.front().at > sentMemory) sent_.pop_front();
  const auto match = std::find_if(sent_.begin(), sent_.end(),
                                  [&](const Sent& sent) { return sent.keycode == keycode && sent.press == press; });
  if (match == sent_.end()) return false;
  // Anything sent before it that the server did not report was dropped.
  sent_.erase(sent_.begin(), match + 1);
  return true;
}

void X11Poster::userSwitchedLock() {
  const KeyboardMap* map = keyboard_.map.get();
  if (!map) return;
  const std::uint32_t locked = map->userLocks();
  // An open batch unlocks Caps Lock while it posts and sets it as the user has it when it ends.
  if (batchOpen_) capsWasLocked_ = locked & xmod::lock;
  const unsigned int changed = batchOpen_ ? Mod2Mask : LockMask | Mod2Mask;
  XkbLockModifiers(display_, XkbUseCoreKbd, changed, locked & changed);
  XFlush(display_);
}

void X11Poster::userReleased(std::uint8_t keycode) {
  for (std::uint8_t& held : heldModifierKey_) {
    if (held != keycode) continue;
    send(keycode, false);
    held = 0;
    XFlush(display_);
  }
}

}  // namespace marlinet::x11
