#include "x11/x11_desktop.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <xkbcommon/xkbcommon-x11.h>

#include "x11/key_translation.h"

#include <cstdio>

namespace marlinet::x11 {
namespace {

// Xlib's default handler ends the process; a window that vanished while we
// read it is no reason to stop.
int reportError(::Display* display, XErrorEvent* error) {
  char text[128] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "marlinet: X error: %s (request %d.%d)\n", text, error->request_code, error->minor_code);
  return 0;
}

}  // namespace

std::unique_ptr<X11Desktop> X11Desktop::open(const std::string& displayName, Scheduler& scheduler) {
  DisplayHandle display = openDisplay(displayName);
  if (!display) return nullptr;
  std::unique_ptr<X11Desktop> desktop(new X11Desktop(std::move(display), scheduler));
  if (!desktop->keyboard_.map) return nullptr;
  return desktop;
}

X11Desktop::X11Desktop(DisplayHandle display, Scheduler& scheduler)
    : display_(std::move(display)),
      scheduler_(scheduler),
      applications_(DesktopFileIndex::fromEnvironment()),
      self_(std::make_shared<X11Desktop*>(this)) {
  XSetErrorHandler(&reportError);
  ::Display* dpy = display_.get();
  int opcode = 0;
  int error = 0;
  int event = 0;
  {
    int xtestMajor = 0;
    int xtestMinor = 0;
    postsKeys_ = XTestQueryExtension(dpy, &event, &error, &xtestMajor, &xtestMinor);
    int xiMajor = 2;
    int xiMinor = 2;
    readsKeys_ = XQueryExtension(dpy, "XInputExtension", &opcode, &event, &error) &&
                 XIQueryVersion(dpy, &xiMajor, &xiMinor) == Success && (xiMajor > 2 || xiMinor >= 2);
  }
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  if (!XkbQueryExtension(dpy, &opcode, &xkbEventBase_, &error, &major, &minor)) return;
  XkbStateRec state{};
  if (XkbGetState(dpy, XkbUseCoreKbd, &state) == Success) keyboard_.group = state.group;
  coreKeyboard_ = xkb_x11_get_core_keyboard_device_id(XGetXCBConnection(dpy));
  keyboard_.map = KeyboardMap::load(dpy, state.locked_mods);
  if (!keyboard_.map) return;
  keymapText_ = keyboard_.map->description();
  XkbSelectEvents(dpy, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                  XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
  // The group (layout switches) and the locks (Num Lock decides which
  // grabs are needed); other modifiers are followed from the keys.
  constexpr unsigned long stateDetails = XkbGroupStateMask | XkbModifierLockMask;
  XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbStateNotify, stateDetails, stateDetails);
  updateInputSource();
  poster_ = std::make_unique<X11Poster>(dpy, keyboard_, scheduler_);
  tap_ = std::make_unique<X11Tap>(dpy, keyboard_, *poster_, scheduler_);
  tap_->lockedModifiersChanged(state.locked_mods);
  focus_ = std::make_unique<FocusedApplicationTracker>(dpy, applications_);
  grabs_ = std::make_unique<GrabDetector>(dpy);
  focus_->start();
  grabs_->probe();
  // A grab that starts while nothing has the focus sends no event: then ask
  // the server before a key that could expand (a round trip, which waits
  // behind whatever the server is sending, so only then).
  tap_->beforeGrabbedKey = [this] {
    if (!focus_->applicationID()) grabs_->probe();
  };
  XFlush(dpy);
}

X11Desktop::~X11Desktop() {
  if (tap_) tap_->stop();
  // Members that talk to the server go before the connection closes.
  grabs_.reset();
  focus_.reset();
  tap_.reset();
  poster_.reset();
  if (display_) XSync(display_.get(), False);
}

void X11Desktop::processEvents() {
  ::Display* dpy = display_.get();
  while (XPending(dpy) > 0) {
    XEvent event;
    XNextEvent(dpy, &event);
    if (event.type == GenericEvent) {
      tap_->handleEvent(event.xcookie);
    } else if (event.type == xkbEventBase_) {
      handleXkb(event);
    } else {
      focus_->handleEvent(event);
      grabs_->handleEvent(event);
    }
  }
}

bool X11Desktop::flushAndCheckQueued() {
  XFlush(display_.get());
  return XEventsQueued(display_.get(), QueuedAlready) > 0;
}

void X11Desktop::beep() {
  XBell(display_.get(), 0);
  XFlush(display_.get());
}

void X11Desktop::handleXkb(const XEvent& event) {
  const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
  switch (xkb.any.xkb_type) {
    case XkbStateNotify: {
      if (xkb.state.changed & XkbModifierLockMask) tap_->lockedModifiersChanged(xkb.state.locked_mods);
      const std::uint32_t group = static_cast<std::uint32_t>(xkb.state.group);
      if (group != keyboard_.group) {
        keyboard_.group = group;
        updateInputSource();
      }
      break;
    }
    case XkbNewKeyboardNotify:
      // Every switch between the physical keyboard and our XTest keys hands
      // the core keyboard the other one's keymap: notices for the core
      // keyboard alone. A new keymap is also announced for the keyboards
      // themselves.
      if (xkb.new_kbd.device == coreKeyboard_) break;
      [[fallthrough]];
    case XkbMapNotify: {
      // Reload once things settle, and only act on a real change.
      const std::uint64_t generation = ++keymapGeneration_;
      scheduler_.schedule(keymapSettleSeconds, [weak = std::weak_ptr<X11Desktop*>(self_), generation] {
        if (const auto self = weak.lock()) (*self)->reloadKeymap(generation);
      });
      break;
    }
    default:
      break;
  }
}

void X11Desktop::reloadKeymap(std::uint64_t generation) {
  if (generation != keymapGeneration_) return;
  std::unique_ptr<KeyboardMap> map = KeyboardMap::load(display_.get(), keyboard_.map->userModifiers() & (xmod::lock | xmod::mod2));
  if (!map) return;
  std::string text = map->description();
  if (text == keymapText_) return;
  keymapText_ = std::move(text);
  poster_->endBatch();
  keyboard_.map = std::move(map);
  tap_->keymapChanged();
  updateInputSource();
}

void X11Desktop::updateInputSource() {
  // A keyboard layout: never composing. Input methods come on top of this.
  inputSource_ = InputSourceInfo{"xkb:" + keyboard_.map->layoutName(keyboard_.group), std::string(keyboardLayoutType), {}};
}

}  // namespace marlinet::x11
