#pragma once

#include <windows.h>

#include "engine/unique_handle_win.h"
#include "launcher/picture_scale.h"

// A 24-bit uncompressed bitmap resource of `module` as a picture; empty when it is not one.
Picture LoadPictureResource(HMODULE module, int bitmapId);

// The title picture of a dialog: a bitmap resource shown by the dialog's SS_BITMAP static, and
// the part of the dialog (in dialog units) that its frame may take.
struct DialogPicture {
  int bitmapId;
  RECT room;
};

// The title picture shown in a live dialog's frame, filling it at the dialog's resolution.
class FittedPicture {
public:
  FittedPicture(HINSTANCE instance, const DialogPicture& picture)
      : instance_(instance), picture_(picture) {}
  // Hands the frame its own bitmap back: call while the dialog is still there.
  ~FittedPicture() { Restore(); }
  FittedPicture(const FittedPicture&) = delete;
  FittedPicture& operator=(const FittedPicture&) = delete;

  // Sizes the frame to the picture at the dialog's resolution, centred in its room, and shows
  // the picture scaled to exactly the frame's inside (the static would otherwise squeeze its
  // bitmap into its client area, or leave the rest grey). Again on every call.
  void Fit(HWND dialog);
  void Restore();

private:
  HINSTANCE instance_;
  DialogPicture picture_;
  // The frame, the bitmap it had from the resource and the scaled one it shows.
  HWND frame_ = nullptr;
  HGDIOBJ original_ = nullptr;
  UniqueGdiObject scaled_;
};
