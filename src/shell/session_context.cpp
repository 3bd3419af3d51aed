#include "shell/session_context.h"

#include "accessibility/password_field_tracker.h"
#include "input_method/input_method_tracker.h"

namespace marlinet::shell {

bool SessionContext::isSecureInputEnabled() const {
  return display_.isSecureInputEnabled() || passwordFields_.passwordFieldFocused();
}

std::optional<InputSourceInfo> SessionContext::inputSource() const {
  if (const InputSourceInfo* method = inputMethods_.currentSource()) return *method;
  return display_.inputSource();
}

}  // namespace marlinet::shell
