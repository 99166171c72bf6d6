#pragma once

#include <cstdint>

// What the launcher makes of the system's answers at its two edges, taking the single-instance
// lock and starting the game. Kept apart from the Windows calls so that each answer can be
// tried; the Windows layer passes GetLastError()'s code.

// The Windows error codes the rules know (winerror.h).
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorCancelled = 1223;

enum class SingleInstance {
  kRun,             // no other launcher holds the name: go on (holding the lock if one was had)
  kAlreadyRunning,  // another launcher holds it: bring that one forward and end
};

// Creating the named event "SKARNAVELLauncher_started" gave an event or not (`gotEvent`), with
// `error` as the last error.
//
// An event that exists answers ERROR_ALREADY_EXISTS with a handle, but only when this process may
// open it fully: one created by a launcher running elevated, or as another user in the same
// session, is refused, and the answer is no handle with ERROR_ACCESS_DENIED. That too means
// another launcher holds the name. Any other failure (the name taken by an object of another
// kind, no memory) says nothing about other launchers: this one runs without the lock, since at
// worst a second window opens, while a launcher that never opens leaves the player nothing.
SingleInstance DecideSingleInstance(bool gotEvent, std::uint32_t error);

// Whether a failed start of the game (ShellExecuteW's last error `error`) is told to the player.
// Not when the player declined the elevation prompt of a game marked "Run as administrator": the
// player chose that. The launcher ends either way, as when the game starts.
bool TellsGameStartFailure(std::uint32_t error);
