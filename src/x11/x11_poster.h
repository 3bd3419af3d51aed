#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "coordination/event_posting.h"
#include "coordination/scheduler.h"
#include "x11/keyboard_status.h"

namespace marlinet::x11 {

// Posts keys with XTest. What one task posts is a batch: the keys the server
// believes down are released first (a press of a key still down would be
// dropped, and a held Shift would capitalise the phrase), Caps Lock is
// unlocked, and every key carries exactly the modifiers it needs. After the
// batch the modifiers the user still holds are pressed again, so their
// further typing is unchanged.
class X11Poster final : public EventPosting {
 public:
  X11Poster(::Display* display, KeyboardStatus& keyboard, Scheduler& scheduler);
  ~X11Poster() override;

  void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
  void postText(const std::string& text) override;
  bool canType(std::string_view text) override;
  std::optional<std::uint16_t> keyCode(const std::string& character) override;
  void repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) override;
  void repostAsUser(const std::shared_ptr<const CapturedEvent>& event) override;

  // Where keys reposted as the user's go: back through the tap's handler.
  std::function<void(std::shared_ptr<const CapturedKey>)> replayAsUser;

  // Turns hearing the XTest keys off and on again, around each batch.
  std::function<void(bool)> hearOwnKeys;
  // Whether an XTest key event the server reports is one this poster sent;
  // each of ours is recognised once.
  bool recogniseOwn(std::uint8_t keycode, bool press);
  // The user let go of a modifier key that a batch pressed again for them.
  void userReleased(std::uint8_t keycode);
  // The user switched Caps Lock or Num Lock on a keyboard that was held:
  // the lock reaches the application only through us.
  void userSwitchedLock();
  // Ends the open batch now (otherwise it ends when the current task returns).
  void endBatch();

 private:
  struct Sent {
    std::uint8_t keycode;
    bool press;
    std::chrono::steady_clock::time_point at;
  };

  void beginBatch();
  void hearOwn(bool on);
  void send(std::uint8_t keycode, bool press);
  void fake(std::uint8_t keycode, bool press);
  // Holds exactly the modifiers (and Caps Lock state) of `state`.
  void holdModifiers(std::uint32_t state);
  void setCapsLock(bool locked);

  ::Display* display_;
  KeyboardStatus& keyboard_;
  Scheduler& scheduler_;
  std::deque<Sent> sent_;
  bool batchOpen_ = false;
  bool deaf_ = false;  // our keys are not heard: none to recognise
  bool capsWasLocked_ = false;
  bool capsLocked_ = false;
  std::array<std::uint8_t, 8> heldModifierKey_{};  // per X modifier bit: the key we hold down, 0 = none
  std::shared_ptr<X11Poster*> self_;
};

}  // namespace marlinet::x11
