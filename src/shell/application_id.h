#pragma once

#include <string_view>

namespace marlinet::shell {

// The one name of this application on the desktop: its settings and data
// folders, its desktop-file ID (so its windows are known as its own), its icon,
// its autostart entry, and its single-copy lock.
inline constexpr std::string_view applicationID = "tarnwick-engineering.Marlinet.direct";

}  // namespace marlinet::shell
