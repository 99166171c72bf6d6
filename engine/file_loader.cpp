#include "engine/file_loader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>
#include <stdexcept>

#include "engine/file_handle.h"
#include "engine/log.h"
#include "engine/path_resolve.h"
#include "engine/string_util.h"

ArchiveDirectoryMap ArchiveDirectory;

namespace {

constexpr const char* kArchiveName = "Zurvo.dat";
constexpr const char* kNotFoundFormat = "File - %s not found\n";
constexpr const char* kReadErrorFormat = "Unknown error in file - %s\n";

// Sizes the buffer to `count` zero bytes, so that a short read leaves zeros behind the bytes that
// came. The storage is kept between loads and grows only for a larger file. False when the
// storage cannot be had.
bool PrepareBuffer(std::vector<char>& bytes, std::size_t count) {
  try {
    bytes.resize(count);
    return true;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  bytes.clear();
  return false;
}

bool ReadExactly(std::FILE* file, std::vector<char>& bytes) {
  if (bytes.empty()) {
    return true;
  }
  return std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Whether nothing that could be read is at `path`: no entry at all, or a folder. Anything else
// that stat cannot look at (a folder on the way that may not be entered, a link that loops) may
// hide a file, so it does not count as missing.
bool NoFileAt(const std::string& path) {
  errno = 0;
#ifdef _WIN32
  struct _stat info;
  if (_stat(path.c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG;
  }
  return (info.st_mode & _S_IFMT) == _S_IFDIR;
#else
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG;
  }
  return S_ISDIR(info.st_mode);
#endif
}

}  // namespace

FileLoader::FileLoader(const std::string& path, std::uint8_t option) : option(option) {
  try {
    this->path = path;
  } catch (const std::bad_alloc&) {
    // Left empty: Load then reports a file that does not open.
    this->path.clear();
  }
  ToLowerInPlace(this->path);
}

FileLoader::~FileLoader() = default;

ResultCode FileLoader::Load() {
  if (loaded) {
    return result;
  }
  bytes.clear();
  const auto entry = ArchiveDirectory.find(path);
  if (entry != ArchiveDirectory.end()) {
    return LoadFromArchive(entry->second);
  }
  return LoadFromDisk();
}

ResultCode FileLoader::LoadFromArchive(const ArchiveEntry& entry) {
  const FileHandle archive{std::fopen(kArchiveName, "rb")};
  if (!archive) {
    LogMessage(kNotFoundFormat, kArchiveName);
    return E_FAIL;
  }
  // Size() reports a signed 32-bit count, so an entry must stay below 2 GiB like a disk file.
  const bool fits =
      entry.size <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
  if (fits && std::fseek(archive.get(), entry.offset, SEEK_SET) == 0 &&
      PrepareBuffer(bytes, entry.size) && ReadExactly(archive.get(), bytes)) {
    return S_OK;
  }
  LogMessage(kReadErrorFormat, kArchiveName);
  return E_FAIL;
}

ResultCode FileLoader::LoadFromDisk() {
  noFile = false;
  const std::string resolved = ResolvePathIgnoringCase(path);
  const FileHandle file{std::fopen(resolved.c_str(), "rb")};
  if (!file) {
    return DiskFailure(resolved);
  }
  bool ok = std::fseek(file.get(), 0, SEEK_END) == 0;
  if (ok) {
    // ftell fails (-1) on Windows for files of 2 GiB and more; a 64-bit long measures them, and
    // they are refused all the same.
    const long end = std::ftell(file.get());
    ok = end >= 0 && end <= std::numeric_limits<std::int32_t>::max();
    if (ok) {
      length = static_cast<std::int32_t>(end);
    }
  }
  ok = ok && std::fseek(file.get(), 0, SEEK_SET) == 0 &&
       PrepareBuffer(bytes, static_cast<std::size_t>(length)) && ReadExactly(file.get(), bytes);
  if (ok) {
    return S_OK;
  }
  return DiskFailure(resolved);
}

// A failed open is "not found" only when there is no file; one that is there but refused (held
// open without sharing by a scanner or a backup tool) is an error like a failed read. A folder
// opens on POSIX systems and then fails to read; it counts as no file there too.
ResultCode FileLoader::DiskFailure(const std::string& opened) {
  noFile = NoFileAt(opened);
  LogMessage(noFile ? kNotFoundFormat : kReadErrorFormat, path.c_str());
  return E_FAIL;
}
