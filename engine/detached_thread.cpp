#include "engine/detached_thread.h"

#include <thread>
#include <utility>

bool StartDetachedThread(std::function<void()> body) {
  try {
    std::thread worker([body = std::move(body)] {
      try {
        body();
      } catch (...) {
        // Nobody is left to tell.
      }
    });
    worker.detach();
    return true;
  } catch (...) {
    return false;
  }
}
