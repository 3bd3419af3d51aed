#include "replacements/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace marlinet {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded (it may report a
  // delayed write error).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::optional<std::string> LocalFileSystem::readFile(const std::filesystem::path& path) const {
  // Non-blocking so that a FIFO placed at the path cannot stall the caller.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) return std::nullopt;
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  if (status.st_size < 0 || static_cast<std::uint64_t>(status.st_size) > maxReadSize) return std::nullopt;
  try {
    std::string content;
    content.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
      if (count < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (count == 0) break;
      if (content.size() + static_cast<std::size_t>(count) > maxReadSize) return std::nullopt;
      content.append(buffer, static_cast<std::size_t>(count));
    }
    return content;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

bool LocalFileSystem::createDirectories(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return !error && std::filesystem::is_directory(path, error);
}

bool LocalFileSystem::writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  try {
    if (!path.has_filename()) return false;
    // The temporary file lives beside the target so that the rename stays on
    // one file system and is atomic.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    // Built piece by piece: GCC 12 warns falsely about "." + string in optimised builds.
    std::string hidden(".");
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FileDescriptor file(::mkostemp(name.data(), O_CLOEXEC));
    if (!file.valid()) return false;
    const char* temporary = name.data();
    const bool written = writeAll(file.get(), bytes) && ::fsync(file.get()) == 0;
    if (!file.close() || !written || ::rename(temporary, path.c_str()) != 0) {
      ::unlink(temporary);
      return false;
    }
    // Make the rename itself durable; the new file is complete either way.
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) ::fsync(directory.get());
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void LocalFileSystem::removeFile(const std::filesystem::path& path) {
  ::unlink(path.c_str());
}

std::optional<std::string> LocalFileSystem::fileRevision(const std::filesystem::path& path) const {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::string("missing");
    return std::nullopt;
  }
  return std::to_string(info.st_dev) + ':' + std::to_string(info.st_ino) + ':' + std::to_string(info.st_size) + ':' +
         std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec) + ':' +
         std::to_string(info.st_ctim.tv_sec) + '.' + std::to_string(info.st_ctim.tv_nsec);
}

}  // namespace marlinet
