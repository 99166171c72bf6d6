# Shared part of the mingw-w64 toolchain files. The including file sets ZURVO_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR. Debian's "-posix" compilers are chosen because their libstdc++ has
# std::thread; the runtime is linked statically (see the top-level CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${ZURVO_MINGW_PREFIX}-gcc-posix ${ZURVO_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ZURVO_MINGW_PREFIX}-g++-posix ${ZURVO_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZURVO_MINGW_PREFIX}-windres REQUIRED)
find_program(CMAKE_AR NAMES ${ZURVO_MINGW_PREFIX}-gcc-ar-posix ${ZURVO_MINGW_PREFIX}-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES ${ZURVO_MINGW_PREFIX}-gcc-ranlib-posix ${ZURVO_MINGW_PREFIX}-ranlib REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${ZURVO_MINGW_PREFIX}-objdump)
find_program(CMAKE_STRIP NAMES ${ZURVO_MINGW_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${ZURVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs every Windows test exe through Wine; scripts/test gives it a private prefix and a
# display. Debian's `wine` wrapper always prefers the 32-bit loader when it is installed, so the
# 64-bit build names the 64-bit loader itself.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(ZURVO_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
endif()
find_program(ZURVO_WINE NAMES wine)
if(ZURVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZURVO_WINE})
endif()
