#pragma once

#include <functional>

// Runs `body` on a thread of its own that nobody joins: leaving the launcher must never wait for
// a probe stuck in a driver. False when no thread could be started; `body` has not run then, and
// the caller may run it itself. An exception that leaves `body` ends it quietly.
bool StartDetachedThread(std::function<void()> body);
