#include "engine/detached_thread.h"

#include <process.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "engine/unique_handle_win.h"

// A CRT thread rather than a detached std::thread. The MinGW thread library recycles the record
// of a thread detached after it ended while that thread's exit code still writes to it: the next
// thread started can then find its start event closed and its lock freed under it (seen under
// Wine as a thread that never started and as heap corruption). A thread the library never hears
// of has no record to recycle.
namespace {

unsigned __stdcall RunBody(void* parameter) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  try {
    (*body)();
  } catch (...) {
    // Nobody is left to tell; an exception must not unwind out of a thread's entry point.
  }
  return 0;
}

}  // namespace

bool StartDetachedThread(std::function<void()> body) {
  std::unique_ptr<std::function<void()>> owned;
  try {
    owned = std::make_unique<std::function<void()>>(std::move(body));
  } catch (...) {
    return false;
  }
  // _beginthreadex, not CreateThread: the body uses the C runtime, which sets itself up for
  // threads it starts.
  const std::uintptr_t started = _beginthreadex(nullptr, 0, &RunBody, owned.get(), 0, nullptr);
  // _beginthreadex hands its thread handle back as an integer.
  const UniqueKernelHandle thread(reinterpret_cast<HANDLE>(started));
  if (!thread.Valid()) {
    return false;
  }
  // The thread owns the body now (it may have freed it already); closing the handle does not
  // stop the thread.
  static_cast<void>(owned.release());
  return true;
}
