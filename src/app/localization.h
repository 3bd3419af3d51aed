#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marlinet {

// The desktop the texts speak of: written for the Mac, some say something
// else on an X11 desktop (which has no permissions to grant and no System
// Settings). Chosen once at start, before any text is shown.
enum class DesktopWording { mac, x11 };
void setDesktopWording(DesktopWording wording);

// Every text the user sees goes through here, keyed by its English form, so
// that translations can be added without touching callers.
std::string localized(std::string_view english);

// `english` with its one "%lld" replaced by `number`, after lookup.
std::string localized(std::string_view english, std::int64_t number);

}  // namespace marlinet
