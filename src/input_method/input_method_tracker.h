#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/input_source_info.h"

namespace marlinet {

class InputMethodWatcher;

// Follows the input method that IBus or Fcitx 5 has active, from their own
// D-Bus notifications, so the key path reads it without asking anyone.
// Lives on the Qt main thread and needs its event loop (a QCoreApplication
// must exist first). Every bus call is asynchronous; even the connection to
// IBus's own bus is made on a short-lived thread of its own.
class InputMethodTracker {
 public:
  InputMethodTracker();
  InputMethodTracker(const InputMethodTracker&) = delete;
  InputMethodTracker& operator=(const InputMethodTracker&) = delete;
  ~InputMethodTracker();

  // The active input method; nothing while neither framework runs (or IBus
  // has no engine yet), when the keyboard layout speaks for itself. A copy.
  std::optional<InputSourceInfo> current() const;

  // The same without a copy: null when `current()` is empty. The pointee
  // stays valid until the event loop next runs.
  const InputSourceInfo* currentSource() const noexcept;

  // Fcitx 5 announces no switch of input method: this asks it again (one
  // asynchronous call). Worth calling when the focus moves to another window.
  void refresh();

  // Called on the main thread after `current()` changed.
  void setChangedCallback(std::function<void()> changed);

 private:
  std::unique_ptr<InputMethodWatcher> watcher_;
};

}  // namespace marlinet
