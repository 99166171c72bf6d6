#include <cstdio>
#include <io.h>
#include <string>

#include <windows.h>

#include "settings/config_file_system.h"

namespace {

// The launcher's paths are 8-bit strings in the ANSI code page, as the C runtime's fopen takes
// them; MoveFileExW wants them in UTF-16.
bool ToWide(const std::string& path, std::wstring& wide) {
  if (path.empty()) {
    return false;
  }
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (length <= 0) {
    return false;
  }
  try {
    wide.assign(static_cast<std::size_t>(length), L'\0');
  } catch (...) {
    return false;
  }
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], length) != length) {
    return false;
  }
  wide.resize(static_cast<std::size_t>(length) - 1);  // the terminating NUL
  return true;
}

class WindowsConfigFileSystem final : public ConfigFileSystem {
public:
  bool CreateTemporary(const std::string& target, const std::string& temporary,
                       FileHandle& file) override {
    std::wstring wideTarget;
    if (!ToWide(target, wideTarget)) {
      return false;
    }
    // The rename would fail on a read-only file or a directory later; say no before writing.
    const DWORD attributes = GetFileAttributesW(wideTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
      return false;
    }
    // Text mode: every "\n" of the configuration is stored as CR LF, as the game expects.
    file.reset(std::fopen(temporary.c_str(), "wt"));
    return static_cast<bool>(file);
  }

  bool Write(std::FILE* file, const char* data, std::size_t size) override {
    return std::fwrite(data, 1, size, file) == size;
  }

  bool Flush(std::FILE* file) override {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
  }

  bool Close(FileHandle& file) override { return std::fclose(file.release()) == 0; }

  bool Replace(const std::string& temporary, const std::string& target) override {
    std::wstring wideTemporary;
    std::wstring wideTarget;
    if (!ToWide(temporary, wideTemporary) || !ToWide(target, wideTarget)) {
      return false;
    }
    // A rename, which Windows (and Wine) performs in one step; ReplaceFileW would not under
    // Wine, where it deletes the target before moving the new file in.
    return MoveFileExW(wideTemporary.c_str(), wideTarget.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  bool Remove(const std::string& path) override {
    std::wstring wide;
    return ToWide(path, wide) && DeleteFileW(wide.c_str()) != 0;
  }
};

}  // namespace

ConfigFileSystem& RealConfigFileSystem() {
  static WindowsConfigFileSystem files;
  return files;
}
