#include "shell/keyboard_switch_filter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <X11/XKBlib.h>
#include <X11/extensions/XKBproto.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>

namespace marlinet::shell {

KeyboardSwitchFilter::KeyboardSwitchFilter() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->display() || !x11->connection()) return;
  int opcode = 0;
  int error = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  if (!XkbQueryExtension(x11->display(), &opcode, &xkbEvent_, &error, &major, &minor)) return;
  coreKeyboard_ = xkb_x11_get_core_keyboard_device_id(x11->connection());
  if (coreKeyboard_ < 0) return;
  QCoreApplication::instance()->installNativeEventFilter(this);
}

bool KeyboardSwitchFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != xkbEvent_) return false;
  const auto* notice = static_cast<const xkbNewKeyboardNotify*>(message);
  const bool isSwitch = notice->xkbType == XkbNewKeyboardNotify && notice->deviceID == coreKeyboard_ &&
                        notice->requestMinor == X_kbSetMap;
  if (isSwitch) ++spared_;
  return isSwitch;
}

}  // namespace marlinet::shell
