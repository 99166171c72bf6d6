#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/result_code.h"

// The place of one file inside the archive "Zurvo.dat".
struct ArchiveEntry {
  std::int32_t offset;
  std::uint32_t size;
};

// Process-wide map from a lowercased path to its place in "Zurvo.dat". Empty unless someone
// registers entries; a path it does not list is read from disk.
using ArchiveDirectoryMap = std::unordered_map<std::string, ArchiveEntry>;
extern ArchiveDirectoryMap ArchiveDirectory;

// Loads one whole file, from the archive when ArchiveDirectory lists its lowercased path and
// from disk otherwise. Failures are logged and reported as E_FAIL; nothing throws.
class FileLoader {
public:
  FileLoader(const std::string& path, std::uint8_t option);
  virtual ~FileLoader();

  FileLoader(const FileLoader&) = delete;
  FileLoader& operator=(const FileLoader&) = delete;

  ResultCode Load();
  // First byte of the loaded content; null while the buffer never had storage.
  const char* Data() const { return bytes.data(); }
  std::int32_t Size() const { return static_cast<std::int32_t>(bytes.size()); }
  // After a failed Load from disk: true when there was no file at the path (nothing, or a
  // folder), false when a file is there but could not be read (held open without sharing,
  // refused, a read error). Callers must not take the second for the first: a file that is
  // there, written over as if it were missing, would lose the player's values.
  bool FoundNoFile() const { return noFile; }

private:
  ResultCode LoadFromArchive(const ArchiveEntry& entry);
  ResultCode LoadFromDisk();
  ResultCode DiskFailure(const std::string& opened);

  ResultCode result = S_OK;
  bool loaded = false;
  std::vector<char> bytes;
  std::int32_t length = 0;
  bool noFile = false;
  std::string path;
  // Kept for the loader's callers; nothing reads them yet.
  [[maybe_unused]] std::uint8_t option;
  [[maybe_unused]] std::uint32_t word = 0;
};
