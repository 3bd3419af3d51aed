// Feeds arbitrary bytes to the reader of applications' .desktop files, which
// any user or package can write: it must neither crash nor hand out a field
// that did not come from the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/desktop_file_index.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::string_view locale : {"", "de_CH.UTF-8@euro"}) {
    const auto entry = marlinet::parseDesktopEntry(text, locale);
    if (!entry) continue;
    // Unescaping only ever shortens a value.
    if (entry->name.size() > size || entry->icon.size() > size || entry->startupWMClass.size() > size ||
        !entry->id.empty()) {
      std::abort();
    }
  }
  return 0;
}
