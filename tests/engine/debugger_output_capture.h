#pragma once

#include <string>

namespace test_support {

// Collects what the engine hands to the debugger output while it lives: the messages given to
// OutputDebugStringA on Windows (seen by a vectored exception handler, as a debugger would see
// them), standard error elsewhere. One capture at a time.
class DebuggerOutputCapture {
public:
  DebuggerOutputCapture();
  ~DebuggerOutputCapture();
  DebuggerOutputCapture(const DebuggerOutputCapture&) = delete;
  DebuggerOutputCapture& operator=(const DebuggerOutputCapture&) = delete;

  // Everything captured so far, messages concatenated. Call once, after the code under test.
  std::string Text();
};

}  // namespace test_support
