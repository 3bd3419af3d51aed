// A small text window and a user typing into it, on the keyboard of a virtual
// X server (the "Xvfb keyboard" device, as a real keyboard would), to show
// what an application receives while Marlinet runs.
// Usage: typing_demo TEXT [MS_PER_KEY]   (prints the window's final text)
//        typing_demo --latency RUNS SHORTCUT PHRASE
//   (times, in microseconds, from a delimiter's key-down to the window
//   holding the whole phrase, and to a delimiter that expands nothing)

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

Display* display = nullptr;
Window window = 0;
std::string text;

void paste() {
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom into = XInternAtom(display, "DEMO_PASTE", False);
  XConvertSelection(display, clipboard, utf8, into, window, CurrentTime);
}

void handle(XEvent& event) {
  if (event.type == KeyPress) {
    char buffer[32] = {};
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
    if ((event.xkey.state & ControlMask) && (keysym == XK_v || keysym == XK_V)) {
      paste();
    } else if (keysym == XK_BackSpace) {
      if (!text.empty()) text.pop_back();
    } else if (keysym == XK_Return) {
      text += '\n';
    } else if (length > 0 && !(event.xkey.state & ControlMask)) {
      text.append(buffer, static_cast<std::size_t>(length));
    }
  } else if (event.type == SelectionNotify && event.xselection.property != None) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, event.xselection.property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                       &count, &after, &data);
    if (data) text.append(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
}

void pumpFor(int milliseconds) {
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      handle(event);
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
    if (elapsed >= milliseconds) return;
    pollfd readable{ConnectionNumber(display), POLLIN, 0};
    poll(&readable, 1, static_cast<int>(milliseconds - elapsed));
  }
}

long long nowMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

XDevice* keyboard = nullptr;
KeyCode shiftKey = 0;

void press(char c) {
  const KeySym keysym = c == '\n' ? XK_Return : static_cast<KeySym>(static_cast<unsigned char>(c));
  const KeyCode key = XKeysymToKeycode(display, keysym);
  if (key == 0) return;
  const bool shifted = XkbKeycodeToKeysym(display, key, 0, 0) != keysym;
  if (shifted) XTestFakeDeviceKeyEvent(display, keyboard, shiftKey, True, nullptr, 0, CurrentTime);
  XTestFakeDeviceKeyEvent(display, keyboard, key, True, nullptr, 0, CurrentTime);
  XTestFakeDeviceKeyEvent(display, keyboard, key, False, nullptr, 0, CurrentTime);
  if (shifted) XTestFakeDeviceKeyEvent(display, keyboard, shiftKey, False, nullptr, 0, CurrentTime);
  XFlush(display);
}

// Microseconds from now until the window's text is `expected`; -1 after a second.
long long waitFor(const std::string& expected) {
  const long long start = nowMicroseconds();
  while (nowMicroseconds() - start < 1000000) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      handle(event);
      if (text == expected) return nowMicroseconds() - start;
    }
    pollfd readable{ConnectionNumber(display), POLLIN, 0};
    poll(&readable, 1, 10);
  }
  return -1;
}

void report(const char* what, std::vector<long long> times) {
  std::sort(times.begin(), times.end());
  const auto at = [&](double share) { return times[static_cast<std::size_t>(share * static_cast<double>(times.size() - 1))]; };
  std::printf("%s: %zu runs, median %.2f ms, p99 %.2f ms, max %.2f ms\n", what, times.size(), at(0.5) / 1000.0,
              at(0.99) / 1000.0, times.back() / 1000.0);
}

int measure(int runs, const std::string& shortcut, const std::string& phrase) {
  std::vector<long long> expanding;
  std::vector<long long> plain;
  int failures = 0;
  for (int run = 0; run < runs; ++run) {
    for (int kind = 0; kind < 2; ++kind) {
      text.clear();
      const std::string word = kind == 0 ? shortcut : "xq";
      for (char c : word) {
        press(c);
        pumpFor(30);
      }
      pumpFor(150);
      const long long start = nowMicroseconds();
      press(' ');
      const long long waited = waitFor((kind == 0 ? phrase : word) + " ");
      if (waited < 0) {
        ++failures;
      } else {
        (kind == 0 ? expanding : plain).push_back(nowMicroseconds() - start);
      }
      pumpFor(100);
    }
  }
  if (!expanding.empty()) report("delimiter to the last character of the phrase", expanding);
  if (!plain.empty()) report("delimiter that expands nothing, to the window", plain);
  std::printf("wrong or late results: %d\n", failures);
  return failures == 0 ? 0 : 1;
}

XDevice* openKeyboard() {
  int count = 0;
  XDeviceInfo* devices = XListInputDevices(display, &count);
  XDevice* keyboard = nullptr;
  for (int i = 0; i < count && !keyboard; ++i) {
    if (std::strcmp(devices[i].name, "Xvfb keyboard") == 0) keyboard = XOpenDevice(display, devices[i].id);
  }
  XFreeDeviceList(devices);
  return keyboard;
}

}  // namespace

int main(int argc, char** argv) {
  const bool latency = argc == 5 && std::strcmp(argv[1], "--latency") == 0;
  if ((argc < 2 || argc > 3) && !latency) {
    std::fprintf(stderr, "usage: typing_demo TEXT [MS_PER_KEY] | --latency RUNS SHORTCUT PHRASE (with DISPLAY set)\n");
    return 2;
  }
  if (!(display = XOpenDisplay(nullptr))) {
    std::fprintf(stderr, "typing_demo: cannot open the display\n");
    return 1;
  }
  const int interval = argc > 2 && !latency ? std::atoi(argv[2]) : 60;
  window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 100, 0, 0, 0xFFFFFF);
  XClassHint hint{const_cast<char*>("typing-demo"), const_cast<char*>("TypingDemo")};
  XSetClassHint(display, window, &hint);
  XSelectInput(display, window, KeyPressMask | StructureNotifyMask);
  XMapWindow(display, window);
  XSync(display, False);
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  keyboard = openKeyboard();
  if (!keyboard) {
    std::fprintf(stderr, "typing_demo: no \"Xvfb keyboard\" device on this display\n");
    return 1;
  }
  shiftKey = XKeysymToKeycode(display, XK_Shift_L);
  pumpFor(200);
  if (latency) return measure(std::atoi(argv[2]), argv[3], argv[4]);
  for (const char* c = argv[1]; *c; ++c) {
    press(*c);
    pumpFor(interval);
  }
  pumpFor(1000);
  std::printf("%s\n", text.c_str());
  XCloseDevice(display, keyboard);
  XCloseDisplay(display);
  return 0;
}
