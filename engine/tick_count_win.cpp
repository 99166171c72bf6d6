#include "engine/tick_count_win.h"

#include <atomic>
#include <cstdint>

#include "engine/system_library_win.h"
#include "engine/tick_count.h"

namespace {

// GetTickCount64 is declared only for Vista's API level and up, so its type is written out.
using TickCount64Type = ULONGLONG WINAPI();
using TickCount64Function = TickCount64Type*;

TickCountWidener g_widenedTickCount;
std::atomic<TickCount64Function> g_tickCount64{nullptr};

TickCount64Function FindTickCount64() {
  // kernel32 is mapped into every process; not finding the function is the normal case on XP, so
  // nothing is logged.
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const FARPROC found = kernel32 != nullptr ? GetProcAddress(kernel32, "GetTickCount64") : nullptr;
  return found != nullptr ? FunctionAt<TickCount64Type>(found) : &TickCount64FromTickCount;
}

}  // namespace

ULONGLONG WINAPI TickCount64FromTickCount() {
  return g_widenedTickCount.Read([] { return static_cast<std::uint32_t>(GetTickCount()); });
}

ULONGLONG WINAPI TickCount64() {
  // Threads that race here find the same function; the lookup is cheap enough to repeat.
  TickCount64Function function = g_tickCount64.load(std::memory_order_relaxed);
  if (function == nullptr) {
    function = FindTickCount64();
    g_tickCount64.store(function, std::memory_order_relaxed);
  }
  return function();
}

#if defined(__MINGW32__)
// MinGW's libraries call GetTickCount64 through its import slot, the pointer `__imp_` + the
// function's decorated name. Defining that pointer here, in an object file linked into the
// program itself, settles the reference before the linker searches kernel32's import library,
// so kernel32's GetTickCount64 never enters the import table. The names are the assembler's:
// stdcall decoration on 32-bit x86, none on x64.
#if defined(__i386__)
#define ZURVO_TICK_COUNT64_IMPORT "__imp__GetTickCount64@0"
#else
#define ZURVO_TICK_COUNT64_IMPORT "__imp_GetTickCount64"
#endif
extern "C" {
extern const TickCount64Function zurvoTickCount64Import __asm__(ZURVO_TICK_COUNT64_IMPORT);
const TickCount64Function zurvoTickCount64Import = &TickCount64;
}
#endif
