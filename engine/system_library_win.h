#pragma once

#include <windows.h>

// Finds a function of a Windows system library at run time, loading the library on first use.
// The launcher reaches Direct3D 9, DirectInput 8, the common controls and the shell this way
// rather than through its import table: none of them is needed before the main window is up,
// and loading them at start-up would cost that window a good part of its time. A library, once
// loaded, stays loaded until the process ends (the probe's worker may still be inside one when
// the launcher leaves). Null when the library or the function cannot be found, which is logged:
// every caller has a way on without it.
FARPROC FindSystemFunction(const char* library, const char* function);
// The same without the log line, for a process that must write no file (the probe's).
FARPROC FindSystemFunctionUnlogged(const char* library, const char* function);

// The same, typed after the function's declaration in the system header, so that its calling
// convention and arguments are the header's, not a copy that could drift from it (a wrong
// convention breaks only the 32-bit build, and only when called).
// An address from GetProcAddress as a pointer to the function it is.
template <typename Function>
Function* FunctionAt(FARPROC address) {
  // FARPROC stands for any function; the conversion goes through the one function type that
  // compilers accept as matching every other.
  using AnyFunction = void (*)();
  return reinterpret_cast<Function*>(reinterpret_cast<AnyFunction>(address));
}

template <typename Function>
Function* SystemFunction(const char* library, const char* function, bool logged = true) {
  return FunctionAt<Function>(logged ? FindSystemFunction(library, function)
                                     : FindSystemFunctionUnlogged(library, function));
}

// SYSTEM_FUNCTION("d3d9.dll", Direct3DCreate9): the name is written once, so the looked-up name
// and the declaration whose type it takes cannot disagree.
#define SYSTEM_FUNCTION(library, function) SystemFunction<decltype(function)>(library, #function)
#define UNLOGGED_SYSTEM_FUNCTION(library, function) \
  SystemFunction<decltype(function)>(library, #function, false)
