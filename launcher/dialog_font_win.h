#pragma once

#include <windows.h>

#include "launcher/dialog_layout.h"

// The face and size a dialog is laid out in, decided on its template before the dialog exists,
// so that each dialog is created once.

// The dialog's window as `layout` lays it out in its own font on this screen, measured the way
// the dialog manager measures it (the font's average letter width and height as dialog units).
// Empty when the font cannot be made.
PixelSize TemplateWindowSize(const DialogTemplateBytes& layout);

// Changes `layout` so that the dialog suits this machine:
// - where the template's font cannot show the dialog's texts (Wine's Western-only "MS Sans
//   Serif"), the face "MS Shell Dlg" stands for, same size and layout;
// - where the dialog would not fit `workArea`, the largest smaller point size that fits (down to
//   4 pt).
void FitTemplate(DialogTemplateBytes& layout, const PixelRect& workArea);
