#include "engine/virtual_store_win.h"

#include <windows.h>

#include <vector>

#include "engine/system_library_win.h"
#include "engine/system_text_win.h"
#include "engine/unique_handle_win.h"
#include "engine/virtual_store.h"

namespace {

std::wstring Variable(const wchar_t* name) {
  return SystemText(
      [name](DWORD size, wchar_t* buffer) { return GetEnvironmentVariableW(name, buffer, size); });
}

// The folders Windows virtualizes, as this user's environment names them (Vista and later set
// every one of these): Program Files in both views of a 64-bit Windows, the Windows folder and
// ProgramData.
RedirectedFolders ThisSystemsRedirectedFolders() {
  RedirectedFolders folders;
  for (const wchar_t* name :
       {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"SystemRoot", L"ProgramData"}) {
    std::wstring root = Variable(name);
    if (!root.empty()) {
      folders.roots.push_back(root);
    }
  }
  folders.localAppData = Variable(L"LOCALAPPDATA");
  return folders;
}

}  // namespace

bool ProcessIsVirtualized() {
  if (Variable(L"ZURVO_TEST_VIRTUALIZED") == L"1") {
    return true;
  }
  // advapi32 is not in the programs' import table; on Windows XP the token has no such class and
  // the question simply fails.
  auto* openToken = UNLOGGED_SYSTEM_FUNCTION("advapi32.dll", OpenProcessToken);
  auto* tokenInformation = UNLOGGED_SYSTEM_FUNCTION("advapi32.dll", GetTokenInformation);
  HANDLE token = nullptr;
  if (openToken == nullptr || tokenInformation == nullptr ||
      !openToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  const UniqueKernelHandle owned(token);
  DWORD enabled = 0;
  DWORD size = 0;
  return tokenInformation(token, TokenVirtualizationEnabled, &enabled, sizeof enabled, &size) &&
         enabled != 0;
}

std::wstring VirtualStoreFolderOf(const std::wstring& folder) {
  if (!ProcessIsVirtualized()) {
    return {};
  }
  return VirtualStoreFolder(folder, ThisSystemsRedirectedFolders());
}

std::wstring VirtualStoreCopyOf(const std::wstring& path) {
  const std::wstring full = FullPathOf(path);
  const std::wstring::size_type slash = full.find_last_of(L"\\/");
  if (slash == std::wstring::npos) {
    return {};
  }
  const std::wstring store = VirtualStoreFolderOf(full.substr(0, slash));
  if (store.empty()) {
    return {};
  }
  // A file the user may change in place is written there even by a virtualized program; once
  // a copy is in the VirtualStore, every write goes to the copy.
  const std::wstring copy = store + full.substr(slash);
  const DWORD attributes = GetFileAttributesW(copy.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0
             ? copy
             : std::wstring();
}
