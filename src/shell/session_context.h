#pragma once

#include "coordination/expansion_context.h"

namespace marlinet {
class InputMethodTracker;
namespace accessibility {
class PasswordFieldTracker;
}
}  // namespace marlinet

namespace marlinet::shell {

// What the gate asks, from the X display and the session's buses together:
// input is private while another client holds the keyboard or a password
// field has the focus; the input source is the active input method while
// IBus or Fcitx runs one, the keyboard layout otherwise. Each answer is state
// those sources keep current from their own events.
class SessionContext final : public ExpansionContext {
 public:
  SessionContext(const ExpansionContext& display, const accessibility::PasswordFieldTracker& passwordFields,
                 const InputMethodTracker& inputMethods)
      : display_(display), passwordFields_(passwordFields), inputMethods_(inputMethods) {}

  std::optional<std::string> frontmostBundleID() const override { return display_.frontmostBundleID(); }
  bool isSecureInputEnabled() const override;
  std::optional<InputSourceInfo> inputSource() const override;

 private:
  const ExpansionContext& display_;
  const accessibility::PasswordFieldTracker& passwordFields_;
  const InputMethodTracker& inputMethods_;
};

}  // namespace marlinet::shell
