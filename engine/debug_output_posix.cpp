#include "engine/debug_output.h"

#include <cstdio>

void WriteDebuggerOutput(const char* message) {
  std::fputs(message, stderr);
  std::fflush(stderr);
}
