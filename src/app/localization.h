#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marlinet {

// Every text the user sees goes through here, keyed by its English form, so
// that translations can be added without touching callers.
std::string localized(std::string_view english);

// `english` with its one "%lld" replaced by `number`, after lookup.
std::string localized(std::string_view english, std::int64_t number);

}  // namespace marlinet
