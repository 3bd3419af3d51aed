#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/event_tap_control.h"
#include "coordination/scheduler.h"
#include "x11/keyboard_status.h"
#include "x11/x11_poster.h"

namespace marlinet::x11 {

// The keyboard tap on X: every key the user types is seen as an XInput 2 raw
// event; the keys that can end a shortcut are grabbed (synchronously, on each
// physical keyboard) so that the handler can swallow them. A grab is turned
// into an active grab of that keyboard until the user pauses, so that keys
// typed during an expansion come to us, in order, to be held and posted
// again after it. A key that came to us and is passed is posted with XTest.
class X11Tap final : public EventTapControl {
 public:
  X11Tap(::Display* display, KeyboardStatus& keyboard, X11Poster& poster, Scheduler& scheduler);
  X11Tap(const X11Tap&) = delete;
  X11Tap& operator=(const X11Tap&) = delete;
  ~X11Tap() override;

  void setHandler(TapHandler handler) override { handler_ = std::move(handler); }
  bool start() override;
  void stop() override;
  bool isRunning() const override { return running_; }

  // Takes the XInput events read from the connection; answers whether it was one.
  bool handleEvent(XGenericEventCookie& cookie);
  // The keymap changed: grab the keys that now end shortcuts.
  void keymapChanged();
  // The keyboard's locked modifiers (X bits), at start and at each change.
  // Delimiters are grabbed with Num Lock as it is only: the server weighs
  // every key press, each one we post too, against every grab, and the
  // other half made a 40-character phrase about 0.3 ms slower. A delimiter
  // typed before the grabs follow a switch of Num Lock goes by unswallowed.
  void lockedModifiersChanged(std::uint32_t locked);
  // While this answers true (an expansion is under way), the keyboard stays grabbed.
  std::function<bool()> isBusy = [] { return false; };
  // Runs before a grabbed key-down is judged (a key that may start an
  // expansion), to refresh state no event reports.
  std::function<void()> beforeGrabbedKey = [] {};

  static constexpr double quietSeconds = 0.05;

 private:
  struct ActiveGrab {
    int device = 0;
    unsigned long grabSerial = 0;
    std::optional<unsigned long> ungrabSerial;
  };

  bool findKeyboards();
  void selectEvents(bool on);
  void hearXTestKeys(bool on);
  void grabDeviceWithoutWaiting(int device);
  // Answers false when no key could be grabbed on any keyboard.
  bool grabKeys(bool grab);
  void handleRaw(const XIRawEvent& event, bool press);
  void handleDevice(const XIDeviceEvent& event, bool press);
  void dispatch(const std::shared_ptr<const CapturedKey>& key);
  void replay(std::shared_ptr<const CapturedKey> key);
  void drainReplays();
  void scheduleRelease();
  void releaseIfQuiet(std::uint64_t generation);
  bool underActiveGrab(int device, unsigned long serial) const;

  ::Display* display_;
  KeyboardStatus& keyboard_;
  X11Poster& poster_;
  Scheduler& scheduler_;
  TapHandler handler_;
  int xiOpcode_ = 0;
  bool running_ = false;
  int xtestKeyboard_ = -1;
  std::vector<int> physicalKeyboards_;
  std::vector<std::uint8_t> grabbedKeys_;
  bool numLock_ = false;
  std::array<std::uint16_t, 256> grabbedCombinations_{};  // per key: xmod::typingCombination bits
  std::optional<ActiveGrab> activeGrab_;
  std::uint64_t activity_ = 0;
  std::deque<std::shared_ptr<const CapturedKey>> replays_;
  std::shared_ptr<X11Tap*> self_;
};

}  // namespace marlinet::x11
