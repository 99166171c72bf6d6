#pragma once

// Formats a printf-style message (cut to 511 characters), appends it to "Zurvo.log" in the
// current directory in text mode, and hands the same text to the debugger output (standard
// error where there is no debugger output). Never fails visibly: a log that cannot be opened
// is skipped.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void LogMessage(const char* format, ...);
