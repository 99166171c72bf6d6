#include "engine/virtual_store.h"

namespace {

// Windows compares these names without regard to case; Latin and Cyrillic letters are the ones
// its folder names are written in here.
wchar_t Folded(wchar_t c) {
  if ((c >= L'A' && c <= L'Z') || (c >= 0x0410 && c <= 0x042F)) {
    return static_cast<wchar_t>(c + 0x20);
  }
  if (c >= 0x0400 && c <= 0x040F) {
    return static_cast<wchar_t>(c + 0x50);
  }
  return c == L'/' ? L'\\' : c;
}

std::wstring WithoutTrailingSlashes(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
    path.pop_back();
  }
  return path;
}

// Whether `folder` is `root` or lies below it.
bool IsWithin(const std::wstring& folder, const std::wstring& root) {
  if (root.size() < 3 || folder.size() < root.size()) {
    return false;
  }
  for (std::size_t i = 0; i < root.size(); ++i) {
    if (Folded(folder[i]) != Folded(root[i])) {
      return false;
    }
  }
  return folder.size() == root.size() || Folded(folder[root.size()]) == L'\\' ||
         Folded(root.back()) == L'\\';
}

bool OnADrive(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && Folded(path[2]) == L'\\' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

}  // namespace

std::wstring VirtualStoreFolder(const std::wstring& folder, const RedirectedFolders& redirected) {
  const std::wstring local = WithoutTrailingSlashes(redirected.localAppData);
  const std::wstring path = WithoutTrailingSlashes(folder);
  if (!OnADrive(path) || local.empty()) {
    return {};
  }
  for (const std::wstring& root : redirected.roots) {
    if (OnADrive(root) && IsWithin(path, WithoutTrailingSlashes(root))) {
      std::wstring store = local + L"\\VirtualStore";
      if (path.size() > 3) {
        store += L'\\';
        for (std::size_t i = 3; i < path.size(); ++i) {
          store += path[i] == L'/' ? L'\\' : path[i];
        }
      }
      return store;
    }
  }
  return {};
}
