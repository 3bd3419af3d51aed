// A foreign X client for the clipboard tests: plain Xlib, no Qt.
//
//   clipboard_owner serve TARGET=FILE...  owns CLIPBOARD and serves each TARGET with
//                                         the bytes of FILE (INCR above the request size);
//                                         prints "ready", then "served TARGET N [incr]"
//                                         per conversion; exits when it loses the selection.
//   clipboard_owner read TARGET           converts CLIPBOARD to TARGET and writes the
//                                         bytes to stdout (TARGETS: one name a line);
//                                         exit 1 when refused, 2 on timeout.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
struct XFreer {
  void operator()(void* data) const { XFree(data); }
};

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

// Waits for the next event matching `wanted`; false after the deadline.
template <typename Wanted>
bool nextEvent(Display* d, XEvent& event, Clock::time_point deadline, Wanted wanted) {
  for (;;) {
    while (XPending(d) > 0) {
      XNextEvent(d, &event);
      if (wanted(event)) return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd fd{ConnectionNumber(d), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left));
  }
}

// Takes and deletes `property`; format-32 items come back as longs, as Xlib gives them.
bool takeProperty(Display* d, Window w, Atom property, Atom& type, int& format, Bytes& out) {
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(d, w, property, 0, 0x1fffffff, True, AnyPropertyType, &type, &format, &count, &after,
                         &raw) != Success) {
    return false;
  }
  std::unique_ptr<unsigned char, XFreer> owned(raw);
  const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
  out.assign(raw, raw + count * unit);
  return true;
}

int readSelection(Display* d, const char* targetName) {
  const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(d, window, PropertyChangeMask);
  const Atom target = atom(d, targetName);
  const Atom property = atom(d, "MARLINET_READ");
  const Atom incr = atom(d, "INCR");
  XConvertSelection(d, atom(d, "CLIPBOARD"), target, property, window, CurrentTime);
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  XEvent event;
  if (!nextEvent(d, event, deadline, [](const XEvent& e) { return e.type == SelectionNotify; })) return 2;
  if (event.xselection.property == None) return 1;

  Atom type = None;
  int format = 0;
  Bytes data;
  if (!takeProperty(d, window, property, type, format, data)) return 1;
  if (type == incr) {  // deleting the INCR property asked for the first chunk
    data.clear();
    for (;;) {
      const bool chunk = nextEvent(d, event, deadline, [&](const XEvent& e) {
        return e.type == PropertyNotify && e.xproperty.atom == property && e.xproperty.state == PropertyNewValue;
      });
      if (!chunk) return 2;
      Bytes part;
      if (!takeProperty(d, window, property, type, format, part)) return 1;
      if (part.empty()) break;
      data.insert(data.end(), part.begin(), part.end());
    }
  }
  if (std::strcmp(targetName, "TARGETS") == 0) {
    const auto* atoms = reinterpret_cast<const long*>(data.data());
    for (std::size_t i = 0; i < data.size() / sizeof(long); ++i) {
      std::unique_ptr<char, XFreer> name(XGetAtomName(d, static_cast<Atom>(atoms[i])));
      std::printf("%s\n", name ? name.get() : "?");
    }
  } else if (!data.empty()) {
    std::fwrite(data.data(), 1, data.size(), stdout);
  }
  return 0;
}

struct Transfer {
  const Bytes* data;
  Atom type;
  std::size_t offset;
};

int serve(Display* d, int count, char** specs) {
  std::map<Atom, Bytes> offered;
  for (int i = 0; i < count; ++i) {
    const std::string spec = specs[i];
    const std::size_t equals = spec.find('=');
    if (equals == std::string::npos) return 64;
    std::ifstream file(spec.substr(equals + 1), std::ios::binary);
    if (!file) return 66;
    offered[atom(d, spec.substr(0, equals).c_str())] = Bytes(std::istreambuf_iterator<char>(file), {});
  }
  const Atom clipboard = atom(d, "CLIPBOARD");
  const Atom targets = atom(d, "TARGETS");
  const Atom timestampTarget = atom(d, "TIMESTAMP");
  const Atom incr = atom(d, "INCR");
  // Above one request's size the data must go in INCR chunks.
  const std::size_t chunk = static_cast<std::size_t>(XMaxRequestSize(d)) * 4 - 100;

  const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(d, window, PropertyChangeMask);
  // A real timestamp for the ownership: the server time of a property change.
  XChangeProperty(d, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  const auto forever = Clock::time_point::max();
  nextEvent(d, event, forever, [](const XEvent& e) { return e.type == PropertyNotify; });
  const Time owned = event.xproperty.time;
  XSetSelectionOwner(d, clipboard, window, owned);
  if (XGetSelectionOwner(d, clipboard) != window) return 3;
  std::printf("ready\n");
  std::fflush(stdout);

  std::map<std::pair<Window, Atom>, Transfer> transfers;
  for (;;) {
    XNextEvent(d, &event);
    if (event.type == SelectionClear) {
      std::printf("lost\n");
      return 0;
    }
    if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete) {
      const auto found = transfers.find({event.xproperty.window, event.xproperty.atom});
      if (found == transfers.end()) continue;
      Transfer& t = found->second;
      const std::size_t size = std::min(chunk, t.data->size() - t.offset);
      XChangeProperty(d, event.xproperty.window, event.xproperty.atom, t.type, 8, PropModeReplace,
                      t.data->data() + t.offset, static_cast<int>(size));
      t.offset += size;
      if (size == 0) transfers.erase(found);  // the empty chunk ends the transfer
      XFlush(d);
      continue;
    }
    if (event.type != SelectionRequest) continue;
    const XSelectionRequestEvent& request = event.xselectionrequest;
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = request.property == None ? request.target : request.property;
    const auto found = offered.find(request.target);
    std::unique_ptr<char, XFreer> name(XGetAtomName(d, request.target));
    if (request.target == targets) {
      std::vector<Atom> list{targets, timestampTarget};
      for (const auto& [target, bytes] : offered) list.push_back(target);
      XChangeProperty(d, request.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
    } else if (request.target == timestampTarget) {
      const long time = static_cast<long>(owned);
      XChangeProperty(d, request.requestor, reply.property, XA_INTEGER, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&time), 1);
    } else if (found == offered.end()) {
      reply.property = None;
    } else if (found->second.size() > chunk) {
      const long size = static_cast<long>(found->second.size());
      XSelectInput(d, request.requestor, PropertyChangeMask);
      XChangeProperty(d, request.requestor, reply.property, incr, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&size), 1);
      transfers[{request.requestor, reply.property}] = Transfer{&found->second, request.target, 0};
    } else {
      XChangeProperty(d, request.requestor, reply.property, request.target, 8, PropModeReplace,
                      found->second.data(), static_cast<int>(found->second.size()));
    }
    if (reply.property != None) {
      const bool incremental = found != offered.end() && found->second.size() > chunk;
      std::printf("served %s %zu%s\n", name ? name.get() : "?",
                  found == offered.end() ? std::size_t{0} : found->second.size(), incremental ? " incr" : "");
      std::fflush(stdout);
    }
    XSendEvent(d, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(d);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display || argc < 3) return 64;
  if (std::strcmp(argv[1], "read") == 0) return readSelection(display.get(), argv[2]);
  if (std::strcmp(argv[1], "serve") == 0) return serve(display.get(), argc - 2, argv + 2);
  return 64;
}
