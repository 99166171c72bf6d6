#include "engine/system_library_win.h"

#include "engine/log.h"

namespace {

FARPROC Find(const char* library, const char* function, bool logged) {
  // The reference is never given back: see the header.
  const HMODULE module = LoadLibraryA(library);
  if (module == nullptr) {
    if (logged) {
      LogMessage("Cannot load library - %s\n", library);
    }
    return nullptr;
  }
  const FARPROC address = GetProcAddress(module, function);
  if (address == nullptr && logged) {
    LogMessage("Cannot find function - %s in %s\n", function, library);
  }
  return address;
}

}  // namespace

FARPROC FindSystemFunction(const char* library, const char* function) {
  return Find(library, function, true);
}

FARPROC FindSystemFunctionUnlogged(const char* library, const char* function) {
  return Find(library, function, false);
}
