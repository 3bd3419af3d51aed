#pragma once

#include <QAbstractNativeEventFilter>
#include <cstddef>
#include <cstdint>

namespace marlinet::shell {

// Spares Qt a keymap reload each time the core keyboard switches between the
// keyboards behind it. Every key we post through XTest switches it twice
// (to the XTest keyboard and back at the user's next key), and each switch
// announces a "new keyboard" to every client. Qt answers each one by fetching
// and compiling the whole keymap on the main thread, while the application
// waits for the rest of the phrase and the user's next keys wait for us.
//
// Only switches are held back (the server marks them as a keymap set on the
// core keyboard); a layout loaded for it (setxkbmap, a desktop's layout
// settings) and changes to the map itself still reach Qt. As for our own
// keymap, keyboards set up with different layouts behind one core keyboard
// are not followed key by key.
class KeyboardSwitchFilter final : public QAbstractNativeEventFilter {
 public:
  // Reads the XKB event code and the core keyboard from Qt's own connection;
  // installs itself on the application, and removes itself when destroyed.
  // Does nothing off X11.
  KeyboardSwitchFilter();
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
  // How many switches Qt was spared.
  std::size_t spared() const { return spared_; }

 private:
  int xkbEvent_ = -1;
  int coreKeyboard_ = -1;
  std::size_t spared_ = 0;
};

}  // namespace marlinet::shell
