#pragma once

#include <string>

// Text between the programs' 8-bit strings and the UTF-16 the window and file APIs take. Texts
// of our own (list entries, messages) are UTF-8; paths are 8-bit strings in the ANSI code page,
// as the C runtime's file functions take them. Each is empty where the system cannot convert,
// and may throw std::bad_alloc.

// Invalid sequences become U+FFFD.
std::wstring WidenUtf8(const std::string& text);
std::wstring WidenAnsi(const std::string& text);
// A character the code page lacks becomes its nearest one or "?"; with `exact` it leaves the
// whole text empty instead.
std::string NarrowAnsi(const std::wstring& text, bool exact = false);
