#pragma once

#include <cstdint>

// Operations that can fail on files return a 32-bit signed result; callers test for a negative
// value. The values are those of the Windows SDK, so Windows code that has already included
// <windows.h> keeps its own definitions of the same numbers.
using ResultCode = std::int32_t;

#ifndef S_OK
#define S_OK (static_cast<ResultCode>(0))
#endif
#ifndef E_FAIL
#define E_FAIL (static_cast<ResultCode>(0x80004005u))
#endif
