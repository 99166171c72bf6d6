#include "launcher/dialog_picture_win.h"

#include <cstring>

#include "engine/system_library_win.h"
#include "launcher/dialog_layout.h"

namespace {

// Windows 10 1607 and later, found at run time.
using GetDpiForWindowFunction = UINT WINAPI(HWND);

HWND FindPictureFrame(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Static") == 0 &&
        (static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & SS_TYPEMASK) == SS_BITMAP) {
      return child;
    }
  }
  return nullptr;
}

int WindowDpi(HWND window) {
  if (auto* getDpiForWindow =
          SystemFunction<GetDpiForWindowFunction>("user32.dll", "GetDpiForWindow", false)) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) {
      return static_cast<int>(dpi);
    }
  }
  // A memory DC has the screen's resolution.
  const UniqueMemoryDc screen(CreateCompatibleDC(nullptr));
  return screen ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
}

UniqueGdiObject MakeBitmap(const Picture& picture) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    return UniqueGdiObject();
  }
  const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
  const std::size_t stride = (row + 3) & ~static_cast<std::size_t>(3);
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(static_cast<unsigned char*>(bits) + stride * y, &picture.pixels[row * y], row);
  }
  return bitmap;
}

}  // namespace

void FittedPicture::Fit(HWND dialog) {
  const HWND frame = FindPictureFrame(dialog);
  const Picture source =
      frame == nullptr ? Picture() : LoadPictureResource(instance_, picture_.bitmapId);
  if (source.pixels.empty()) {
    return;
  }
  RECT room = picture_.room;
  MapDialogRect(dialog, &room);
  RECT outer;
  RECT inner;
  GetWindowRect(frame, &outer);
  GetClientRect(frame, &inner);
  const int edgeWidth = (outer.right - outer.left) - inner.right;
  const int edgeHeight = (outer.bottom - outer.top) - inner.bottom;
  const PixelSize size = ScaledPictureSize(
      PixelSize{source.width, source.height}, WindowDpi(dialog),
      PixelSize{room.right - room.left - edgeWidth, room.bottom - room.top - edgeHeight});
  UniqueGdiObject bitmap = MakeBitmap(ScalePicture(source, size.width, size.height));
  if (!bitmap) {
    return;
  }
  const auto previous = reinterpret_cast<HGDIOBJ>(
      SendMessageW(frame, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.Get())));
  if (frame_ == nullptr) {
    frame_ = frame;
    original_ = previous;
  }
  scaled_ = std::move(bitmap);  // the one shown before, if any, is let go
  const int width = size.width + edgeWidth;
  const int height = size.height + edgeHeight;
  SetWindowPos(frame, nullptr, room.left + (room.right - room.left - width) / 2,
               room.top + (room.bottom - room.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(frame, nullptr, TRUE);
}

void FittedPicture::Restore() {
  if (frame_ != nullptr && IsWindow(frame_)) {
    SendMessageW(frame_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(original_));
  }
  frame_ = nullptr;
}

Picture LoadPictureResource(HMODULE module, int bitmapId) {
  Picture picture;
  const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(bitmapId), MAKEINTRESOURCEW(2));
  const HGLOBAL loaded = resource == nullptr ? nullptr : LoadResource(module, resource);
  const auto* data = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
  const DWORD size = resource == nullptr ? 0 : SizeofResource(module, resource);
  BITMAPINFOHEADER header = {};
  if (data == nullptr || size < sizeof header) {
    return picture;
  }
  std::memcpy(&header, data, sizeof header);
  const int width = header.biWidth;
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const std::size_t stride =
      (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
  const std::size_t offset = header.biSize + static_cast<std::size_t>(header.biClrUsed) * 4;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB || width <= 0 || height <= 0 ||
      offset + stride * height > size) {
    return picture;
  }
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    // Bottom-up unless the height is negative.
    const int sourceRow = header.biHeight < 0 ? y : height - 1 - y;
    std::memcpy(&picture.pixels[static_cast<std::size_t>(y) * width * 3],
                data + offset + stride * sourceRow, static_cast<std::size_t>(width) * 3);
  }
  return picture;
}
