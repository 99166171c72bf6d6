#include "engine/system_library_win.h"

#include "engine/log.h"

FARPROC FindSystemFunction(const char* library, const char* function) {
  // The reference is never given back: see the header.
  const HMODULE module = LoadLibraryA(library);
  if (module == nullptr) {
    LogMessage("Cannot load library - %s\n", library);
    return nullptr;
  }
  const FARPROC address = GetProcAddress(module, function);
  if (address == nullptr) {
    LogMessage("Cannot find function - %s in %s\n", function, library);
  }
  return address;
}
