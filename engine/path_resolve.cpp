#include "engine/path_resolve.h"

#ifdef _WIN32

std::string ResolvePathIgnoringCase(const std::string& path) noexcept {
  try {
    return path;
  } catch (...) {
    return {};
  }
}

#else

#include <filesystem>
#include <system_error>

#include "engine/string_util.h"

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

// Finds `name` in `directory`: the exact name when it exists, otherwise the first entry whose
// name differs only in the case of A..Z. Returns false when neither exists.
bool FindEntry(const std::string& directory, std::string& name) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(fs::symlink_status(fs::path(directory) / name, error))) {
    return true;
  }
  fs::directory_iterator entries(directory, error);
  if (error) {
    return false;
  }
  for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
    if (error) {
      return false;
    }
    std::string candidate = entries->path().filename().string();
    if (EqualIgnoringCase(candidate, name)) {
      name = std::move(candidate);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ResolvePathIgnoringCase(const std::string& path) noexcept {
  try {
    std::string resolved;
    resolved.reserve(path.size());
    bool resolving = true;
    std::size_t start = 0;
    for (;;) {
      std::size_t separator = path.find_first_of("\\/", start);
      const std::size_t stop = separator == std::string::npos ? path.size() : separator;
      std::string component = path.substr(start, stop - start);
      if (resolving && !component.empty() && component != "." && component != "..") {
        // Once a component matches nothing, nothing below it can exist: keep the rest as written.
        resolving = FindEntry(resolved.empty() ? std::string(".") : resolved, component);
      }
      resolved += component;
      if (separator == std::string::npos) {
        break;
      }
      resolved += '/';
      start = separator + 1;
    }
    return resolved;
  } catch (...) {
    // Only allocation can fail here; an empty name opens nothing, which the caller reports.
    return {};
  }
}

#endif
