#include "tests/engine/debugger_output_capture.h"

#include <gtest/gtest.h>

namespace test_support {

namespace {
bool capturing = false;
}

DebuggerOutputCapture::DebuggerOutputCapture() {
  testing::internal::CaptureStderr();
  capturing = true;
}

DebuggerOutputCapture::~DebuggerOutputCapture() {
  if (capturing) {
    testing::internal::GetCapturedStderr();
    capturing = false;
  }
}

std::string DebuggerOutputCapture::Text() {
  if (!capturing) {
    return std::string();
  }
  capturing = false;
  return testing::internal::GetCapturedStderr();
}

}  // namespace test_support
