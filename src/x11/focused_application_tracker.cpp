#include "x11/focused_application_tracker.h"

#include <X11/Xatom.h>

#include <deque>
#include <string_view>
#include <utility>
#include <vector>

#include "x11/display.h"

namespace marlinet::x11 {
namespace {

// Windows of other clients may vanish between any two requests. For its
// lifetime this swallows the errors of this connection's requests made since
// it started, and hands every other error to the handler it replaced: Xlib
// has one handler per process, so nothing stays installed afterwards.
class ErrorTrap {
 public:
  explicit ErrorTrap(::Display* display)
      : display_(display), firstSerial_(NextRequest(display)), outer_(active_) {
    previous_ = XSetErrorHandler(&ErrorTrap::handle);
    active_ = this;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  ~ErrorTrap() {
    // Errors arrive after their request; collect them while still trapping.
    XSync(display_, False);
    XSetErrorHandler(previous_);
    active_ = outer_;
  }

 private:
  static int handle(::Display* display, XErrorEvent* error) {
    ErrorTrap* trap = active_;
    if (!trap) return 0;
    if (display == trap->display_ && error->serial >= trap->firstSerial_) return 0;
    return trap->previous_ ? trap->previous_(display, error) : 0;
  }

  static inline ErrorTrap* active_ = nullptr;
  ::Display* display_;
  unsigned long firstSerial_;
  ErrorTrap* outer_;
  XErrorHandler previous_ = nullptr;
};

// Adds `mask` to what this connection selects on `window`: XSelectInput
// replaces a client's whole mask, and other parts of the program share the
// connection. Skips override-redirect windows (menus, tooltips) when asked.
void addEventMask(::Display* display, Window window, long mask, bool skipOverrideRedirect) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return;
  if (skipOverrideRedirect && attributes.override_redirect) return;
  if ((attributes.your_event_mask & mask) == mask) return;
  XSelectInput(display, window, attributes.your_event_mask | mask);
}

// An 8-bit text property, without trailing NULs; nullopt when absent.
std::optional<std::string> textProperty(::Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* raw = nullptr;
  // 1024 longs: 4 KiB is far more than an application name needs.
  const int status = XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                                        &format, &count, &remaining, &raw);
  const XPointer<unsigned char> data(raw);
  if (status != Success || type == None || format != 8 || !data) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(data.get()), count);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

bool hasProperty(::Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* raw = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type, &format,
                                        &count, &remaining, &raw);
  const XPointer<unsigned char> data(raw);
  return status == Success && type != None;
}

struct Tree {
  Window root = None;
  Window parent = None;
  std::vector<Window> children;
};

std::optional<Tree> queryTree(::Display* display, Window window) {
  Tree tree;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &tree.root, &tree.parent, &children, &count)) return std::nullopt;
  const XPointer<Window> owned(children);
  if (children) tree.children.assign(children, children + count);
  return tree;
}

// Bounds on the walks through other clients' window trees.
constexpr int maxAncestors = 64;
constexpr std::size_t maxSearchedWindows = 256;

}  // namespace

FocusedApplicationTracker::FocusedApplicationTracker(::Display* display, const DesktopFileIndex& index)
    : display_(display),
      index_(index),
      root_(DefaultRootWindow(display)),
      netActiveWindow_(XInternAtom(display, "_NET_ACTIVE_WINDOW", False)),
      gtkApplicationID_(XInternAtom(display, "_GTK_APPLICATION_ID", False)),
      kdeDesktopFile_(XInternAtom(display, "_KDE_NET_WM_DESKTOP_FILE", False)),
      wmState_(XInternAtom(display, "WM_STATE", False)) {}

void FocusedApplicationTracker::start() {
  {
    ErrorTrap trap(display_);
    // The root's focus events are the only ones when the focus goes to None,
    // PointerRoot or the root itself.
    addEventMask(display_, root_, SubstructureNotifyMask | PropertyChangeMask | FocusChangeMask, false);
    if (const std::optional<Tree> tree = queryTree(display_, root_)) {
      for (const Window child : tree->children) addEventMask(display_, child, FocusChangeMask, true);
    }
  }
  refresh();
}

void FocusedApplicationTracker::watchTopLevel(Window window) {
  ErrorTrap trap(display_);
  addEventMask(display_, window, FocusChangeMask, true);
}

void FocusedApplicationTracker::handleEvent(const XEvent& event) {
  switch (event.type) {
    case CreateNotify:
      if (event.xcreatewindow.parent == root_ && !event.xcreatewindow.override_redirect)
        watchTopLevel(event.xcreatewindow.window);
      break;
    case ReparentNotify:
      // A window manager letting a client go puts it back on the root.
      if (event.xreparent.parent == root_ && !event.xreparent.override_redirect) watchTopLevel(event.xreparent.window);
      break;
    case FocusIn:
    case FocusOut:
      // A grab moves where keys go, not the focus; pointer-driven events
      // only happen while the focus is PointerRoot; a FocusOut towards an
      // inferior stays inside the same top-level, except on the root, where
      // it is the focus entering a window (often one created so recently
      // that its own events are not selected yet).
      if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab) break;
      if (event.xfocus.detail == NotifyPointer) break;
      if (event.type == FocusOut && event.xfocus.detail == NotifyInferior && event.xfocus.window != root_) break;
      refresh();
      break;
    case PropertyNotify: {
      const Atom atom = event.xproperty.atom;
      if (event.xproperty.window == root_) {
        if (atom == netActiveWindow_) refresh();
      } else if (event.xproperty.window == focusedClient_ && focusedClient_ != None &&
                 (atom == XA_WM_CLASS || atom == gtkApplicationID_ || atom == kdeDesktopFile_)) {
        refresh();
      }
      break;
    }
    default:
      break;
  }
}

void FocusedApplicationTracker::refresh() {
  Window topLevel = None;
  Window client = None;
  std::optional<std::string> identifier;
  {
    ErrorTrap trap(display_);
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display_, &focus, &revertTo);
    // From the focus up to the child of its root; the client is the highest
    // of these carrying WM_CLASS, else one below a window manager's frame.
    std::vector<Window> chain;
    for (Window window = focus; window != None && window != PointerRoot && chain.size() < maxAncestors;) {
      const std::optional<Tree> tree = queryTree(display_, window);
      if (!tree || window == tree->root) break;
      chain.push_back(window);
      if (tree->parent == tree->root) {
        topLevel = window;
        break;
      }
      window = tree->parent;
    }
    if (topLevel != None) {
      for (auto it = chain.rbegin(); it != chain.rend() && client == None; ++it) {
        if (hasProperty(display_, *it, XA_WM_CLASS)) client = *it;
      }
      std::deque<Window> queue{topLevel};
      for (std::size_t searched = 0; client == None && !queue.empty() && searched < maxSearchedWindows;
           ++searched) {
        const Window window = queue.front();
        queue.pop_front();
        if (window != topLevel &&
            (hasProperty(display_, window, wmState_) || hasProperty(display_, window, XA_WM_CLASS))) {
          client = window;
          break;
        }
        if (const std::optional<Tree> tree = queryTree(display_, window))
          queue.insert(queue.end(), tree->children.begin(), tree->children.end());
      }
      if (client != None) {
        // Selected before reading, so that a name set in between still arrives.
        if (client != focusedClient_) addEventMask(display_, client, PropertyChangeMask, false);
        identifier = identifierOf(client);
      }
    }
  }
  focusedClient_ = client;
  if (identifier == applicationID_) return;
  applicationID_ = std::move(identifier);
  if (onChange) onChange();
}

std::optional<std::string> FocusedApplicationTracker::identifierOf(Window client) const {
  for (const Atom atom : {gtkApplicationID_, kdeDesktopFile_}) {
    std::optional<std::string> id = textProperty(display_, client, atom);
    if (!id || id->empty()) continue;
    if (std::string_view(*id).ends_with(".desktop")) id->resize(id->size() - std::string_view(".desktop").size());
    return id;
  }
  // WM_CLASS holds "instance\0class\0".
  const std::optional<std::string> wmClass = textProperty(display_, client, XA_WM_CLASS);
  if (!wmClass) return std::nullopt;
  const std::size_t separator = wmClass->find('\0');
  const std::string instance = wmClass->substr(0, separator);
  const std::string className = separator == std::string::npos ? std::string() : wmClass->substr(separator + 1);
  if (std::optional<std::string> id = index_.idForWindowClass(className, instance)) return id;
  if (className.empty()) return std::nullopt;
  return className;
}

}  // namespace marlinet::x11
