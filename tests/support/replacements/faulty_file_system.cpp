#include "support/replacements/faulty_file_system.h"

namespace marlinet::testing {

std::optional<std::string> FaultyFileSystem::readFile(const std::filesystem::path& path) const {
  if (failReads) return std::nullopt;
  return real_.readFile(path);
}

bool FaultyFileSystem::createDirectories(const std::filesystem::path& path) { return real_.createDirectories(path); }

bool FaultyFileSystem::writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  if (failWrites) return false;
  return real_.writeFileAtomically(path, bytes);
}

void FaultyFileSystem::removeFile(const std::filesystem::path& path) { real_.removeFile(path); }

}  // namespace marlinet::testing
