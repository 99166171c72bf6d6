# The product: 32-bit Windows, as the game itself is.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZURVO_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
