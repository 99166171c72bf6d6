# The same sources for 64-bit Windows. Used to run the Windows tests under Wine on hosts that
# cannot execute 32-bit x86 code (see README, "Testing without 32-bit support").
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZURVO_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
