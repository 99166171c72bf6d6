#include "launcher/dialog_layout.h"

#include <algorithm>

namespace {

// DLGTEMPLATEEX: version 1, signature 0xFFFF, then help id, extended style and style (32 bits
// each), the item count and x, y, cx, cy (16 bits each); the menu, class and caption follow.
const std::size_t kStyleOffset = 12;
const std::size_t kItemCountOffset = 16;
const std::size_t kMenuOffset = 26;
const std::uint32_t kSetFontStyle = 0x40;  // DS_SETFONT
// DLGITEMTEMPLATEEX: help id, extended style, style (32 bits each), x, y, cx, cy (16 bits each)
// and the id (32 bits); the class and the title follow, then the creation data's size and bytes.
const std::size_t kItemClassOffset = 24;

std::size_t AlignToDword(std::size_t offset) {
  return (offset + 3) & ~static_cast<std::size_t>(3);
}

}  // namespace

bool FitsInside(PixelSize size, const PixelRect& area) {
  return size.width <= area.Width() && size.height <= area.Height();
}

PixelRect PlaceWindow(PixelSize size, const PixelRect& screen, const PixelRect& workArea) {
  int left = screen.left + (screen.Width() - size.width) / 2;
  int top = screen.top + (screen.Height() - size.height) / 2;
  // The far edge first, so that a window larger than the work area keeps its top left in it.
  left = std::max(workArea.left, std::min(left, workArea.right - size.width));
  top = std::max(workArea.top, std::min(top, workArea.bottom - size.height));
  return PixelRect{left, top, left + size.width, top + size.height};
}

PixelSize ScaledPictureSize(PixelSize picture, int dpi, PixelSize room) {
  if (picture.width <= 0 || picture.height <= 0) {
    return PixelSize{};
  }
  const int kDesignDpi = 96;
  int width = (picture.width * dpi + kDesignDpi / 2) / kDesignDpi;
  int height = (picture.height * dpi + kDesignDpi / 2) / kDesignDpi;
  if (width > room.width) {
    width = room.width;
    height = width * picture.height / picture.width;
  }
  if (height > room.height) {
    height = room.height;
    width = height * picture.width / picture.height;
  }
  return PixelSize{std::max(width, 1), std::max(height, 1)};
}

DialogTemplateBytes::DialogTemplateBytes(const void* data, std::size_t size)
    : bytes_(static_cast<const unsigned char*>(data),
             static_cast<const unsigned char*>(data) + size) {
  if (size < kMenuOffset || Word(0) != 1 || Word(2) != 0xFFFF) {
    return;
  }
  if ((Dword(kStyleOffset) & kSetFontStyle) == 0) {
    return;
  }
  std::size_t offset = SkipStringOrOrdinal(kMenuOffset);   // menu
  offset = offset == 0 ? 0 : SkipStringOrOrdinal(offset);  // window class
  offset = offset == 0 ? 0 : SkipString(offset);           // caption
  // Point size, weight (16 bits each), italic and charset (8 bits each), then the typeface.
  if (offset == 0 || offset + 6 > bytes_.size()) {
    return;
  }
  pointSizeOffset_ = offset;
  typefaceOffset_ = offset + 6;
  typefaceEnd_ = SkipString(typefaceOffset_);
  if (typefaceEnd_ == 0) {
    return;
  }
  itemsOffset_ = std::min(AlignToDword(typefaceEnd_), bytes_.size());
  valid_ = true;
}

std::u16string DialogTemplateBytes::ItemTexts() const {
  std::u16string texts;
  std::size_t offset = itemsOffset_;
  for (int item = 0; valid_ && item < Word(kItemCountOffset); ++item) {
    const std::size_t title = SkipStringOrOrdinal(offset + kItemClassOffset);
    const std::size_t dataSize = title == 0 ? 0 : SkipStringOrOrdinal(title);
    if (dataSize == 0 || dataSize + 2 > bytes_.size()) {
      break;  // cut short: the texts read so far are all there is
    }
    if (Word(title) != 0xFFFF) {
      for (std::size_t at = title; at + 2 < dataSize; at += 2) {
        texts += static_cast<char16_t>(Word(at));
      }
    }
    offset = AlignToDword(dataSize + 2 + Word(dataSize));
  }
  return texts;
}

std::u16string DialogTemplateBytes::Typeface() const {
  std::u16string face;
  if (valid_) {
    for (std::size_t offset = typefaceOffset_; offset + 2 < typefaceEnd_; offset += 2) {
      face += static_cast<char16_t>(Word(offset));
    }
  }
  return face;
}

void DialogTemplateBytes::SetPointSize(int pointSize) {
  if (valid_) {
    PutWord(pointSizeOffset_, static_cast<std::uint16_t>(std::max(1, std::min(pointSize, 0x7FFE))));
  }
}

void DialogTemplateBytes::SetTypeface(const std::u16string& typeface) {
  if (!valid_) {
    return;
  }
  std::vector<unsigned char> rebuilt(bytes_.begin(),
                                     bytes_.begin() + static_cast<std::ptrdiff_t>(typefaceOffset_));
  for (const char16_t c : typeface) {
    rebuilt.push_back(static_cast<unsigned char>(c & 0xFF));
    rebuilt.push_back(static_cast<unsigned char>(c >> 8));
  }
  rebuilt.push_back(0);
  rebuilt.push_back(0);
  typefaceEnd_ = rebuilt.size();
  // The items start on a 4-byte boundary, as they did: their own padding stays right.
  rebuilt.resize(AlignToDword(rebuilt.size()), 0);
  const std::size_t newItemsOffset = rebuilt.size();
  rebuilt.insert(rebuilt.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(itemsOffset_),
                 bytes_.end());
  bytes_.swap(rebuilt);
  itemsOffset_ = newItemsOffset;
}

std::uint16_t DialogTemplateBytes::Word(std::size_t offset) const {
  if (offset + 2 > bytes_.size()) {
    return 0;
  }
  return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
}

std::uint32_t DialogTemplateBytes::Dword(std::size_t offset) const {
  return Word(offset) | static_cast<std::uint32_t>(Word(offset + 2)) << 16;
}

void DialogTemplateBytes::PutWord(std::size_t offset, std::uint16_t value) {
  bytes_[offset] = static_cast<unsigned char>(value & 0xFF);
  bytes_[offset + 1] = static_cast<unsigned char>(value >> 8);
}

std::size_t DialogTemplateBytes::SkipStringOrOrdinal(std::size_t offset) const {
  if (offset + 2 > bytes_.size()) {
    return 0;
  }
  if (Word(offset) == 0xFFFF) {
    return offset + 4 <= bytes_.size() ? offset + 4 : 0;
  }
  return SkipString(offset);
}

std::size_t DialogTemplateBytes::SkipString(std::size_t offset) const {
  for (; offset + 2 <= bytes_.size(); offset += 2) {
    if (Word(offset) == 0) {
      return offset + 2;
    }
  }
  return 0;
}
