#include <cstdio>
#include <io.h>
#include <string>

#include <windows.h>

#include "engine/system_library_win.h"
#include "engine/system_text_win.h"
#include "engine/unique_handle_win.h"
#include "engine/wide_text_win.h"
#include "settings/config_file_system.h"

namespace {

// The launcher's paths are 8-bit strings in the ANSI code page, as the C runtime's fopen takes
// them; MoveFileExW wants them in UTF-16. False, never an exception, where they cannot be had.
bool ToWide(const std::string& path, std::wstring& wide) {
  try {
    wide = WidenAnsi(path);
  } catch (...) {
    return false;
  }
  return !wide.empty();
}

// GetFinalPathNameByHandleW, which Windows XP lacks (and with it links to files); typed here,
// since XP's API level, which the product is compiled for, does not declare it.
typedef DWORD(WINAPI FinalPathFunction)(HANDLE, LPWSTR, DWORD, DWORD);

// Where the open `file` really is, with links and junctions followed, as a plain drive or
// network path; empty when the system cannot say.
std::wstring FinalPathOf(HANDLE file) {
  auto* finalPath = FunctionAt<FinalPathFunction>(
      FindSystemFunctionUnlogged("kernel32.dll", "GetFinalPathNameByHandleW"));
  if (finalPath == nullptr) {
    return {};
  }
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    // VOLUME_NAME_DOS: "\\?\C:\..." or "\\?\UNC\server\share\...".
    const DWORD length = finalPath(file, &path[0], static_cast<DWORD>(path.size()), 0);
    if (length == 0) {
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      const std::wstring network = L"\\\\?\\UNC\\";
      const std::wstring local = L"\\\\?\\";
      if (path.compare(0, network.size(), network) == 0) {
        return L"\\\\" + path.substr(network.size());
      }
      return path.compare(0, local.size(), local) == 0 ? path.substr(local.size()) : path;
    }
    path.assign(length, L'\0');  // the size it needs, its terminating NUL included
  }
  return {};
}

class WindowsConfigFileSystem final : public ConfigFileSystem {
public:
  bool CreateTemporary(const std::string& target, const std::string& temporary,
                       FileHandle& file) override {
    std::wstring wideTarget;
    if (!ToWide(target, wideTarget)) {
      return Failed(GetLastError());
    }
    // The rename would fail on a read-only file or a directory later; say no before writing.
    const DWORD attributes = GetFileAttributesW(wideTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return Failed(WriteFailure::Kind::kFolderInPlace);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return Failed(WriteFailure::Kind::kReadOnly);
    }
    // Text mode: every "\n" of the configuration is stored as CR LF, as the game expects. The C
    // runtime leaves the system's error (no folder, access denied) as the last error.
    file.reset(std::fopen(temporary.c_str(), "wt"));
    return file ? true : Failed(GetLastError());
  }

  bool Write(std::FILE* file, const char* data, std::size_t size) override {
    return std::fwrite(data, 1, size, file) == size || Failed(GetLastError());
  }

  bool Flush(std::FILE* file) override {
    return (std::fflush(file) == 0 && _commit(_fileno(file)) == 0) || Failed(GetLastError());
  }

  bool Close(FileHandle& file) override {
    return std::fclose(file.release()) == 0 || Failed(GetLastError());
  }

  bool Replace(const std::string& temporary, const std::string& target) override {
    std::wstring wideTemporary;
    std::wstring wideTarget;
    if (!ToWide(temporary, wideTemporary) || !ToWide(target, wideTarget)) {
      return Failed(GetLastError());
    }
    // A rename, which Windows (and Wine) performs in one step; ReplaceFileW would not under
    // Wine, where it deletes the target before moving the new file in.
    if (MoveFileExW(wideTemporary.c_str(), wideTarget.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
      return true;
    }
    // Someone else holding the target shuts the rename out in one of these ways: the file open
    // without delete sharing, a range of it locked, or (access denied) it being mapped or on its
    // way out after a delete.
    const DWORD error = GetLastError();
    const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                       error == ERROR_ACCESS_DENIED;
    return Failed(inUse ? WriteFailure::Kind::kInUse : WriteFailure::Kind::kSystem, error);
  }

  bool Remove(const std::string& path) override {
    std::wstring wide;
    return (ToWide(path, wide) && DeleteFileW(wide.c_str()) != 0) || Failed(GetLastError());
  }

  std::string LinkedFile(const std::string& target) override {
    std::wstring wide;
    if (!ToWide(target, wide)) {
      return target;  // creating the temporary file fails on the same name and says why
    }
    // Opening follows every link on the way; no access is asked, so nobody's open is in the way.
    const UniqueFileHandle file(
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) {
      return target;  // nothing there yet, or nothing the system lets us follow
    }
    const std::wstring real = FinalPathOf(file.Get());
    const std::wstring full = FullPathOf(wide);
    if (real.empty() || full.empty() || lstrcmpiW(real.c_str(), full.c_str()) == 0) {
      return target;
    }
    // Exactly, or not at all: a stand-in character would name another file.
    std::string linked = NarrowAnsi(real, true);
    if (linked.empty()) {
      Failed(ERROR_NO_UNICODE_TRANSLATION);
    }
    return linked;
  }

  WriteFailure LastFailure() const override { return last_; }

  void Pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

private:
  bool Failed(WriteFailure::Kind kind, DWORD error = 0) {
    last_ = WriteFailure{kind, error};
    return false;
  }

  bool Failed(DWORD error) { return Failed(WriteFailure::Kind::kSystem, error); }

  WriteFailure last_;
};

}  // namespace

ConfigFileSystem& RealConfigFileSystem() {
  static WindowsConfigFileSystem files;
  return files;
}
