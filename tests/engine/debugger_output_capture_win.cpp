#include "tests/engine/debugger_output_capture.h"

#include <windows.h>

#include <cstring>

namespace test_support {

namespace {

std::string captured;
PVOID handler = nullptr;

// OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the length (NUL included) and the text;
// a debugger takes the message from there. Continuing the search lets the system's own handler
// finish the call as usual.
LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
    const auto length = static_cast<std::size_t>(record->ExceptionInformation[0]);
    const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    if (text != nullptr && length > 0) {
      captured.append(text, strnlen(text, length));
    }
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

DebuggerOutputCapture::DebuggerOutputCapture() {
  captured.clear();
  handler = AddVectoredExceptionHandler(1, OnException);
}

DebuggerOutputCapture::~DebuggerOutputCapture() {
  if (handler != nullptr) {
    RemoveVectoredExceptionHandler(handler);
    handler = nullptr;
  }
}

std::string DebuggerOutputCapture::Text() {
  return captured;
}

}  // namespace test_support
