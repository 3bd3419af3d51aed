#pragma once

#include <exception>
#include <string_view>
#include <utility>

namespace marlinet {

// Reports failed background work and user actions on standard error. Only
// the task and the kind of failure are written: never a typed character, a
// shortcut or a phrase.
void logFailure(std::string_view task, std::string_view reason);
// The dynamic type of `failure` (its message may quote file contents).
void logFailure(std::string_view task, const std::exception& failure);

// The one error boundary of a user action or background task: runs `work`
// and answers whether it finished. A failure of any kind, programming errors
// included, is logged under `task` instead of escaping into the run loop.
template <typename Work>
bool runGuarded(std::string_view task, Work&& work) noexcept {
  try {
    std::forward<Work>(work)();
    return true;
  } catch (const std::exception& failure) {
    logFailure(task, failure);
  } catch (...) {
    logFailure(task, "an unknown exception");
  }
  return false;
}

}  // namespace marlinet
