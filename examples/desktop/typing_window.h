#pragma once

// An application window and a user typing into it on the keyboard of a
// virtual X server: what the demonstration, the desktop benchmark and the
// end-to-end tests watch Marlinet through.

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace marlinet::typing {

struct DisplayClose {
  void operator()(Display* display) const noexcept { XCloseDisplay(display); }
};
using Connection = std::unique_ptr<Display, DisplayClose>;

// An application window on its own connection. It records every key but the
// modifiers (keysym names, "C-" with Control) and the text they make, and
// pastes the clipboard on Control+V as an ordinary application would.
class TypingWindow {
 public:
  TypingWindow(const std::string& display, std::string wmClass, bool takeFocus = true);
  ~TypingWindow() { XDestroyWindow(display_.get(), window_); }
  void focus();
  bool grabKeyboard();
  void ungrabKeyboard();
  void pump();  // handles what has arrived, without waiting
  int fd() const { return ConnectionNumber(display_.get()); }
  void clear() { text.clear(), keys.clear(); }

  std::string text;
  std::vector<std::string> keys;

 private:
  void handleKey(XKeyEvent& event);
  Connection display_;
  Window window_ = 0;
};

// Pumps the windows until `done` holds; false after `seconds`.
bool pumpUntil(const std::vector<TypingWindow*>& windows, const std::function<bool()>& done, double seconds);

struct Stroke {
  KeyCode key = 0;
  KeyCode modifier = 0;  // held around the key; 0: none
};

// The user typing on the physical keyboard (the "Xvfb keyboard" slave).
class Typist {
 public:
  explicit Typist(const std::string& display);
  ~Typist();
  bool ready() const { return device_ != nullptr; }
  // On the keymap in use now; throws for a character it lacks.
  std::vector<Stroke> strokes(std::string_view text) const;
  Stroke chord(KeySym key, KeySym modifier = 0) const;
  // Stroke i goes down at i × interval, on an absolute schedule, and is held
  // half an interval or, with rollover, until after the next one went down.
  void type(const std::vector<Stroke>& strokes, std::chrono::nanoseconds interval, bool rollover = false);
  // One stroke down and up at once, for timing what follows it.
  void tap(const Stroke& stroke);
  unsigned lockedModifiers() const;

 private:
  KeyCode keycode(KeySym sym, bool& shifted) const;
  Connection display_;
  XDevice* device_ = nullptr;
};

}  // namespace marlinet::typing
