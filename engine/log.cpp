#include "engine/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/debug_output.h"
#include "engine/file_handle.h"

namespace {
constexpr std::size_t kMessageCapacity = 512;
constexpr const char* kLogFileName = "Zurvo.log";
}  // namespace

void LogMessage(const char* format, ...) {
  char message[kMessageCapacity];
  message[0] = '\0';
  if (format != nullptr) {
    va_list args;
    va_start(args, format);
    // Bounded: a longer message is cut to 511 characters rather than overrunning the buffer.
    const int written = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (written < 0) {
      message[0] = '\0';
    }
  }

  // Opened and closed per message, so nothing is lost if the process dies right after, and a
  // log that cannot be opened (read-only folder, locked file) is simply skipped. Text mode:
  // Windows stores each line feed as CR LF.
  if (FileHandle file{std::fopen(kLogFileName, "a")}) {
    std::fwrite(message, 1, std::strlen(message), file.get());
  }
  WriteDebuggerOutput(message);
}
