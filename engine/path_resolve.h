#pragma once

#include <string>

// Maps an engine path ("Game\Zurvo.cfg", backslashes, any case) to the name to open.
// On Windows, whose file names ignore case, the path is returned as given. On a case-sensitive
// POSIX file system backslashes become '/', and each component that exists is matched without
// regard to case: an exact match first, then the first case-insensitive one in directory order.
// Components that match nothing are kept as written, so a file about to be created gets the
// caller's spelling.
// Never throws: when memory runs out it returns an empty string, which opens nothing.
std::string ResolvePathIgnoringCase(const std::string& path) noexcept;
