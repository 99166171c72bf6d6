#pragma once

#include <string>

// Text for the window APIs, which take UTF-16. Invalid sequences become U+FFFD; both may throw
// std::bad_alloc, which the dialog procedures catch.

// Texts of our own (list entries, messages) are UTF-8.
std::wstring WidenUtf8(const std::string& text);
// Paths are 8-bit strings in the ANSI code page, as the file functions take them.
std::wstring WidenAnsi(const std::string& text);
