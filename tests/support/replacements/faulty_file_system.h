#pragma once

#include <memory>

#include "replacements/file_system.h"

namespace marlinet::testing {

// The real file system with switchable faults, for testing what a failed
// read or write leaves behind.
class FaultyFileSystem final : public FileSystem {
 public:
  std::optional<std::string> readFile(const std::filesystem::path& path) const override;
  bool createDirectories(const std::filesystem::path& path) override;
  bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) override;
  void removeFile(const std::filesystem::path& path) override;
  std::optional<std::string> fileRevision(const std::filesystem::path& path) const override {
    return real_.fileRevision(path);
  }

  bool failReads = false;
  bool failWrites = false;

 private:
  LocalFileSystem real_;
};

}  // namespace marlinet::testing
