#pragma once

#include <windows.h>

// The stand-in xinput1_4.dll and the tests that play it share one named block of memory: the
// test holds the pad (connected or not, its buttons and stick), the DLL reports it on slot 0 and
// counts every question it is asked and every process that loaded it, and from where. Without
// the block (no test holds it) the DLL reports no pad at all.
namespace standin {

const wchar_t kPadBoardName[] = L"ZurvoStandInPad";

struct PadBoard {
  LONG connected;
  LONG buttons;
  LONG stickX;
  LONG stickY;
  LONG packet;
  LONG polls[4];                 // XInputGetState calls per slot, counted before the state is read
  LONG loads;                    // processes that loaded a stand-in
  wchar_t loadedFrom[MAX_PATH];  // the full path of the last stand-in loaded
};

}  // namespace standin
