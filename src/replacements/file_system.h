#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace marlinet {

// The few file operations the stores need, behind an interface so that tests
// can make any of them fail.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content of a regular file; absent when it is missing, not a
  // regular file, unreadable or larger than `maxReadSize`.
  virtual std::optional<std::string> readFile(const std::filesystem::path& path) const = 0;
  // Creates `path` and any missing parents; true when it exists as a folder afterwards.
  virtual bool createDirectories(const std::filesystem::path& path) = 0;
  // Replaces `path` in one step: a reader sees the old file or the complete
  // new one, never a part. On failure the old file is untouched and no
  // temporary file is left behind.
  virtual bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) = 0;
  // Deletes the file; failures (a missing file included) are ignored.
  virtual void removeFile(const std::filesystem::path& path) = 0;
  // A token that changes whenever the file is replaced or rewritten (its
  // identity, size and modification time); "missing" when there is no such
  // file; none when it cannot be told, in which case callers must re-read.
  virtual std::optional<std::string> fileRevision(const std::filesystem::path& path) const {
    (void)path;
    return std::nullopt;
  }

  // Far above any list or settings file; keeps a stray huge file from
  // exhausting memory.
  static constexpr std::size_t maxReadSize = std::size_t{64} << 20;
};

// The real file system.
class LocalFileSystem final : public FileSystem {
 public:
  std::optional<std::string> readFile(const std::filesystem::path& path) const override;
  bool createDirectories(const std::filesystem::path& path) override;
  bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) override;
  void removeFile(const std::filesystem::path& path) override;
  std::optional<std::string> fileRevision(const std::filesystem::path& path) const override;
};

}  // namespace marlinet
