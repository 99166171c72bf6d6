#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Reads a dialog resource (DLGTEMPLATEEX) as the dialog manager will: the header and every
// item in creation order. Used to hold the resources to their layout tables.
namespace e2e {

struct DialogItem {
  std::uint32_t id = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  // Predefined classes are ordinals (0x80 button, 0x82 static, 0x85 combo box); else the name.
  std::uint16_t classOrdinal = 0;
  std::wstring className;
  // Text, or a resource ordinal (a bitmap for an SS_BITMAP static).
  std::wstring text;
  std::uint16_t textOrdinal = 0;
};

struct DialogTemplate {
  bool valid = false;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring caption;
  std::uint16_t pointSize = 0;
  std::uint16_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t charset = 0;
  std::wstring typeface;
  std::vector<DialogItem> items;
};

DialogTemplate LoadDialogTemplate(HMODULE module, int resourceId);

}  // namespace e2e
