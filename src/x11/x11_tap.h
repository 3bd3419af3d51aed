#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <array>
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
// event; while a shortcut may be under way, the keys that can end it are
// grabbed (synchronously, on the keyboard it is typed on) so that the handler
// can swallow them. A grab is turned
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
  // Whether the keys that end shortcuts are to be caught. They are grabbed
  // only while a shortcut may be under way, and only on the keyboard it is
  // typed on: any other delimiter goes straight to the application, sparing
  // it the way through us and XTest, and sparing every key press the
  // server's check against our grabs.
  void catchDelimiters(bool on);
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
  void loadDelimiters();
  // Grabs and releases the delimiters on every keyboard, waiting for the
  // answers; false when another client holds every one of them.
  bool canGrabDelimiters();
  void grabDelimiters(int device);
  void ungrabDelimiters(int device);
  // Grabs the delimiters on this keyboard alone, or on none (-1).
  void catchOn(int device);
  // The keyboard whose delimiters were grabbed when the server handled
  // the request of this serial, or -1.
  int caughtOnAt(unsigned long serial) const;
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
  std::array<std::uint16_t, 256> grabbedCombinations_{};  // per key: xmod::typingCombination bits
  int typingOn_ = -1;  // the keyboard of the user's last key
  int caughtOn_ = -1;  // the keyboard whose delimiters are grabbed, or -1
  // Recent switches of caughtOn_, by the last request of each: an event
  // carries the serial of the request the server ran last before it.
  struct Switch {
    unsigned long serial = 0;
    int device = -1;
  };
  std::array<Switch, 8> switches_{};
  std::size_t switchCount_ = 0;
  int caughtBeforeSwitches_ = -1;
  std::optional<ActiveGrab> activeGrab_;
  std::uint64_t activity_ = 0;
  std::deque<std::shared_ptr<const CapturedKey>> replays_;
  std::shared_ptr<X11Tap*> self_;
};

}  // namespace marlinet::x11
