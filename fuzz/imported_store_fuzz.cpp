// Feeds arbitrary bytes to the decoder of the stored imported list; whatever
// decodes must encode again and decode to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "replacements/imported_replacements_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marlinet::ImportedReplacementsStore;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto decoded = ImportedReplacementsStore::decode(bytes);
  if (!decoded) return 0;
  const auto encoded = ImportedReplacementsStore::encode(decoded->first, decoded->second);
  if (!encoded) std::abort();
  const auto again = ImportedReplacementsStore::decode(*encoded);
  if (!again || again->first != decoded->first ||
      again->second.secondsSinceReferenceDate != decoded->second.secondsSinceReferenceDate) {
    std::abort();
  }
  return 0;
}
