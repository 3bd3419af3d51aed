#include "typing_window.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <stdexcept>

namespace marlinet::typing {

TypingWindow::TypingWindow(const std::string& display, std::string wmClass, bool takeFocus)
    : display_(XOpenDisplay(display.c_str())) {
  if (!display_) throw std::runtime_error("cannot open " + display);
  Display* d = display_.get();
  window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 300, 100, 0, 0, 0xFFFFFF);
  XClassHint hint{wmClass.data(), wmClass.data()};
  XSetClassHint(d, window_, &hint);
  XSelectInput(d, window_, KeyPressMask | StructureNotifyMask);
  XMapWindow(d, window_);
  XEvent event;
  do XWindowEvent(d, window_, StructureNotifyMask, &event);
  while (event.type != MapNotify);
  if (takeFocus) focus();
}

void TypingWindow::focus() {
  XSetInputFocus(display_.get(), window_, RevertToParent, CurrentTime);
  XSync(display_.get(), False);
}

bool TypingWindow::grabKeyboard() {
  const bool grabbed =
      XGrabKeyboard(display_.get(), window_, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
  XSync(display_.get(), False);
  return grabbed;
}

void TypingWindow::ungrabKeyboard() {
  XUngrabKeyboard(display_.get(), CurrentTime);
  XSync(display_.get(), False);
}

void TypingWindow::pump() {
  Display* d = display_.get();
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
    } else if (event.type == KeyPress) {
      handleKey(event.xkey);
    } else if (event.type == SelectionNotify && event.xselection.property != None) {
      Atom type = None;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      XGetWindowProperty(d, window_, event.xselection.property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                         &count, &after, &data);
      if (data && format == 8) text.append(reinterpret_cast<const char*>(data), count);
      if (data) XFree(data);
    }
  }
}

void TypingWindow::handleKey(XKeyEvent& event) {
  char buffer[16];
  KeySym sym = NoSymbol;
  const int length = XLookupString(&event, buffer, sizeof buffer, &sym, nullptr);
  if (IsModifierKey(sym)) return;  // seen in the state of the keys around it
  const char* name = XKeysymToString(sym);
  const bool control = event.state & ControlMask;
  keys.push_back((control ? "C-" : "") + std::string(name ? name : "?"));
  if (control) {
    if (sym == XK_v || sym == XK_V) {
      Display* d = display_.get();
      XConvertSelection(d, XInternAtom(d, "CLIPBOARD", False), XInternAtom(d, "UTF8_STRING", False),
                        XInternAtom(d, "PASTED", False), window_, event.time);
    }
    return;
  }
  if (sym == XK_BackSpace) {
    while (!text.empty() && (text.back() & 0xC0) == 0x80) text.pop_back();  // a whole UTF-8 character
    if (!text.empty()) text.pop_back();
  } else if (sym == XK_Return || sym == XK_KP_Enter) {
    text += '\n';
  } else {
    text.append(buffer, static_cast<std::size_t>(length));  // keys type ASCII here; the rest is pasted
  }
}

bool pumpUntil(const std::vector<TypingWindow*>& windows, const std::function<bool()>& done, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    for (TypingWindow* window : windows) window->pump();
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    std::vector<pollfd> fds;
    for (TypingWindow* window : windows) fds.push_back({window->fd(), POLLIN, 0});
    poll(fds.data(), fds.size(), static_cast<int>(std::min<long>(left.count(), 10)));
  }
}

Typist::Typist(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
  if (!display_) return;
  int count = 0;
  XDeviceInfo* devices = XListInputDevices(display_.get(), &count);
  for (int i = 0; i < count && !device_; ++i) {
    if (std::string_view(devices[i].name) == "Xvfb keyboard") device_ = XOpenDevice(display_.get(), devices[i].id);
  }
  if (devices) XFreeDeviceList(devices);
}

Typist::~Typist() {
  if (device_) XCloseDevice(display_.get(), device_);
}

KeyCode Typist::keycode(KeySym sym, bool& shifted) const {
  // Asked afresh each time: the layout may have changed since.
  Display* d = display_.get();
  int first = 0, last = 0, perKey = 0;
  XDisplayKeycodes(d, &first, &last);
  KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(first), last - first + 1, &perKey);
  KeyCode found = 0;
  for (int level = 0; level < std::min(perKey, 2) && !found; ++level) {
    for (int key = first; key <= last && !found; ++key) {
      if (map[(key - first) * perKey + level] == sym) {
        found = static_cast<KeyCode>(key);
        shifted = level == 1;
      }
    }
  }
  XFree(map);
  if (!found) throw std::runtime_error(std::string("no key for ") + XKeysymToString(sym));
  return found;
}

std::vector<Stroke> Typist::strokes(std::string_view text) const {
  std::vector<Stroke> result;
  const KeyCode shift = chord(XK_Shift_L).key;
  for (const char c : text) {
    const KeySym sym = c == '\n' ? XK_Return : c == '\t' ? XK_Tab : static_cast<KeySym>(static_cast<unsigned char>(c));
    bool shifted = false;
    const KeyCode key = keycode(sym, shifted);
    result.push_back({key, shifted ? shift : KeyCode{0}});
  }
  return result;
}

Stroke Typist::chord(KeySym key, KeySym modifier) const {
  bool shifted = false;
  return {keycode(key, shifted), modifier ? keycode(modifier, shifted) : KeyCode{0}};
}

void Typist::type(const std::vector<Stroke>& strokes, std::chrono::nanoseconds interval, bool rollover) {
  struct Timed { long long at; KeyCode key; bool press; };
  const long long step = interval.count();
  std::vector<Timed> plan;
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    const Stroke& s = strokes[i];
    const long long down = static_cast<long long>(i + 1) * step;
    // The same key twice cannot overlap itself.
    const bool overlap = rollover && !(i + 1 < strokes.size() && strokes[i + 1].key == s.key);
    const long long up = down + (overlap ? step * 3 / 2 : step / 2);
    const KeyCode before = i > 0 ? strokes[i - 1].modifier : 0;
    const KeyCode after = i + 1 < strokes.size() ? strokes[i + 1].modifier : 0;
    if (s.modifier && s.modifier != before) plan.push_back({down - step / 4, s.modifier, true});
    plan.push_back({down, s.key, true});
    plan.push_back({up, s.key, false});
    if (s.modifier && s.modifier != after) plan.push_back({up + step / 8, s.modifier, false});
  }
  std::stable_sort(plan.begin(), plan.end(), [](const Timed& a, const Timed& b) { return a.at < b.at; });
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  const long long origin = start.tv_sec * 1'000'000'000LL + start.tv_nsec;
  for (const Timed& event : plan) {
    const long long at = origin + event.at;
    const timespec when{static_cast<time_t>(at / 1'000'000'000LL), static_cast<long>(at % 1'000'000'000LL)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) != 0) {
    }
    XTestFakeDeviceKeyEvent(display_.get(), device_, event.key, event.press ? True : False, nullptr, 0, CurrentTime);
    XFlush(display_.get());
  }
  XSync(display_.get(), False);
}

void Typist::tap(const Stroke& stroke) {
  Display* d = display_.get();
  if (stroke.modifier) XTestFakeDeviceKeyEvent(d, device_, stroke.modifier, True, nullptr, 0, CurrentTime);
  XTestFakeDeviceKeyEvent(d, device_, stroke.key, True, nullptr, 0, CurrentTime);
  XTestFakeDeviceKeyEvent(d, device_, stroke.key, False, nullptr, 0, CurrentTime);
  if (stroke.modifier) XTestFakeDeviceKeyEvent(d, device_, stroke.modifier, False, nullptr, 0, CurrentTime);
  XFlush(d);
}

unsigned Typist::lockedModifiers() const {
  XkbStateRec state{};
  XkbGetState(display_.get(), XkbUseCoreKbd, &state);
  return state.locked_mods;
}

}  // namespace marlinet::typing
