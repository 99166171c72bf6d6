#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/config_file_system.h"

namespace {

// Durability of the rename itself: the directory entry has to reach the disk too. Best effort,
// since the new file is already in place when this runs.
void SyncDirectoryOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

class PosixConfigFileSystem final : public ConfigFileSystem {
public:
  bool CreateTemporary(const std::string& target, const std::string& temporary,
                       FileHandle& file) override {
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // rename() cannot put a file where a directory is; say so before writing.
    if (exists && S_ISDIR(old.st_mode)) {
      return Failed(WriteFailure::Kind::kFolderInPlace, 0);
    }
    // rename() would replace a file we may not write; refuse it as opening it would.
    if (exists && ::access(target.c_str(), W_OK) != 0) {
      return Failed(WriteFailure::Kind::kReadOnly, 0);
    }
    file.reset(std::fopen(temporary.c_str(), "w"));
    if (!file) {
      return Failed(WriteFailure::Kind::kSystem, errno);
    }
    if (exists && S_ISREG(old.st_mode)) {
      // The new file takes over the old one's permissions. Failing that it keeps the defaults,
      // which is no reason to lose the player's settings.
      ::fchmod(::fileno(file.get()), old.st_mode & 07777);
    }
    return true;
  }

  bool Write(std::FILE* file, const char* data, std::size_t size) override {
    return std::fwrite(data, 1, size, file) == size || Failed(WriteFailure::Kind::kSystem, errno);
  }

  bool Flush(std::FILE* file) override {
    return (std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0) ||
           Failed(WriteFailure::Kind::kSystem, errno);
  }

  bool Close(FileHandle& file) override {
    return std::fclose(file.release()) == 0 || Failed(WriteFailure::Kind::kSystem, errno);
  }

  bool Replace(const std::string& temporary, const std::string& target) override {
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
      // POSIX renames over a file that others hold open; nothing here is worth a second try.
      return Failed(WriteFailure::Kind::kSystem, errno);
    }
    try {
      SyncDirectoryOf(target);
    } catch (...) {
      // Only the directory name's copy can fail; the file is already in place.
    }
    return true;
  }

  bool Remove(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 || Failed(WriteFailure::Kind::kSystem, errno);
  }

  std::string LinkedFile(const std::string& target) override {
    std::error_code error;
    if (!std::filesystem::is_symlink(target, error)) {
      return target;
    }
    const std::filesystem::path linked = std::filesystem::canonical(target, error);
    // A link that leads nowhere has no file to replace; it is replaced as a missing file is.
    return error ? target : linked.string();
  }

  WriteFailure LastFailure() const override { return last_; }

  void Pause(int milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }

private:
  bool Failed(WriteFailure::Kind kind, int error) {
    last_ = WriteFailure{kind, static_cast<std::uint32_t>(error)};
    return false;
  }

  WriteFailure last_;
};

}  // namespace

ConfigFileSystem& RealConfigFileSystem() {
  static PosixConfigFileSystem files;
  return files;
}
