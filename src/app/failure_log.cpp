#include "app/failure_log.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace marlinet {

void logFailure(std::string_view task, std::string_view reason) {
  // Allocates nothing: the failure being reported may be the lack of memory.
  std::fprintf(stderr, "marlinet: %.*s failed: %.*s\n", static_cast<int>(task.size()), task.data(),
               static_cast<int>(reason.size()), reason.data());
}

void logFailure(std::string_view task, const std::exception& failure) {
  int status = 0;
  const char* mangled = typeid(failure).name();
  const std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                             &std::free);
  logFailure(task, status == 0 && demangled ? demangled.get() : mangled);
}

}  // namespace marlinet
