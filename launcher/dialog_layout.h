#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What decides where the launcher's dialogs go and how large they are laid out, apart from the
// window system: the dialog resource as bytes, the placement on the screen, the title picture's
// size. Sizes and rectangles are in the screen's pixels.

struct PixelSize {
  int width = 0;
  int height = 0;
};

// Left and top inside, right and bottom just outside.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

bool FitsInside(PixelSize size, const PixelRect& area);

// Where a window of `size` goes: centred on `screen` (integer division, the odd pixel to the right
// and bottom), then moved the shortest way into `workArea` (the screen less the task bar) where
// it would reach past it. A window larger than the work area gets the work area's top left, so
// that its caption stays on screen.
PixelRect PlaceWindow(PixelSize size, const PixelRect& screen, const PixelRect& workArea);

// The title picture's size on screen, its frame's inside: `picture` scaled from 96 dots per inch
// to `dpi`, and smaller, with its proportions, where that would not fit `room`. At 96 dpi with
// room enough it is the picture's own size.
PixelSize ScaledPictureSize(PixelSize picture, int dpi, PixelSize room);

// A dialog resource (DLGTEMPLATEEX with a font) copied into memory so that it can be laid out
// anew: at another point size, or in another typeface. Everything else stays as the resource
// has it. Invalid when the bytes are not such a template.
class DialogTemplateBytes {
public:
  DialogTemplateBytes(const void* data, std::size_t size);

  bool Valid() const { return valid_; }
  // The template, aligned as the dialog functions need it.
  const void* Data() const { return bytes_.data(); }
  std::size_t Size() const { return bytes_.size(); }

  // The dialog's size in dialog units: cx and cy, after the item count, x and y.
  int Width() const { return valid_ ? static_cast<std::int16_t>(Word(22)) : 0; }
  int Height() const { return valid_ ? static_cast<std::int16_t>(Word(24)) : 0; }
  int PointSize() const { return valid_ ? Word(pointSizeOffset_) : 0; }
  int Weight() const { return valid_ ? Word(pointSizeOffset_ + 2) : 0; }
  bool Italic() const { return valid_ && bytes_[pointSizeOffset_ + 4] != 0; }
  std::u16string Typeface() const;
  // DLGTEMPLATEEX: version, signature, help id, then the extended style and the style.
  std::uint32_t Style() const { return valid_ ? Dword(12) : 0; }
  std::uint32_t ExtendedStyle() const { return valid_ ? Dword(8) : 0; }
  // Every text the items show, one after the other; titles given as resource ordinals (a
  // picture's bitmap) show none.
  std::u16string ItemTexts() const;

  void SetPointSize(int pointSize);
  void SetTypeface(const std::u16string& typeface);

private:
  std::uint16_t Word(std::size_t offset) const;
  std::uint32_t Dword(std::size_t offset) const;
  void PutWord(std::size_t offset, std::uint16_t value);
  // Offset of the first byte past the zero-terminated UTF-16 string or resource ordinal at
  // `offset`, or 0 when it runs past the end.
  std::size_t SkipStringOrOrdinal(std::size_t offset) const;
  std::size_t SkipString(std::size_t offset) const;

  // The allocation is aligned for any type, and so for the DWORD alignment the items need.
  std::vector<unsigned char> bytes_;
  bool valid_ = false;
  std::size_t pointSizeOffset_ = 0;
  std::size_t typefaceOffset_ = 0;
  // Where the typeface string ends and where the items begin (aligned to 4 bytes).
  std::size_t typefaceEnd_ = 0;
  std::size_t itemsOffset_ = 0;
};
