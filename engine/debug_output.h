#pragma once

// Hands one NUL-terminated message to the platform's debugger output: OutputDebugStringA on
// Windows, standard error elsewhere. Used by LogMessage only.
void WriteDebuggerOutput(const char* message);
