#include "engine/debug_output.h"

#include <windows.h>

void WriteDebuggerOutput(const char* message) {
  OutputDebugStringA(message);
}
