# cmake -DOBJDUMP=<objdump> -DEXE=<SkarnavelLauncher.exe> -P check_exe.cmake
#
# The launcher is dropped into a game folder on any Windows: it may import only system DLLs that
# every Windows has (no MinGW runtime, no D3DX), must be a GUI program, and must carry no
# manifest (no execution level, no common-controls 6). The libraries it finds at run time, on
# first use, must stay out of its import table: loading them at start-up slows the main window.
cmake_policy(VERSION 3.20)
if(NOT OBJDUMP OR NOT EXE)
  message(FATAL_ERROR "usage: cmake -DOBJDUMP=... -DEXE=... -P check_exe.cmake")
endif()
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump -p ${EXE} failed: ${result}")
endif()

set(shipped advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll user32.dll)
set(on_first_use comctl32.dll d3d9.dll dinput8.dll shell32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
set(failed FALSE)
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  if(lower IN_LIST on_first_use)
    message(SEND_ERROR "imported at start-up, should be found on first use: ${dll}")
    set(failed TRUE)
  elseif(lower IN_LIST shipped)
    message(STATUS "import ok: ${dll}")
  else()
    message(SEND_ERROR "import not shipped with Windows: ${dll}")
    set(failed TRUE)
  endif()
endforeach()

if(NOT dump MATCHES "Subsystem[ \t]+00000002")
  message(SEND_ERROR "not a Windows GUI program")
  set(failed TRUE)
endif()
# Resource type 24 is RT_MANIFEST.
if(dump MATCHES "Type Table[^\n]*\n([^\n]*\n)*[0-9a-f]+ +Entry: ID: 0x000018,")
  message(SEND_ERROR "carries a manifest")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "${EXE} failed its import and resource check")
endif()
