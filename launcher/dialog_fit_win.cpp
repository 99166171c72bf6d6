#include "launcher/dialog_fit_win.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/system_library_win.h"
#include "launcher/resource_ids.h"
#include "engine/unique_handle_win.h"

namespace {

// Below this the texts would no longer be read; a dialog that does not fit even so is placed
// with its caption on screen.
const int kSmallestPointSize = 4;
// Stands for the system's dialog face with every script it has: Microsoft Sans Serif on Windows,
// Tahoma on Wine.
const char16_t kFallbackTypeface[] = u"MS Shell Dlg";
const wchar_t kFitProperty[] = L"SkarnavelDialogFit";
// Windows 8.1 and later: the window's monitor changed resolution, or the window moved to a
// monitor of another.
const UINT kDpiChanged = 0x02E0;
// Posted by the dialog to itself on kDpiChanged, so that the picture is fitted once the dialog
// manager has laid the dialog out anew.
const UINT kRefitPicture = WM_APP + 1;

// Windows 10 1607 and later, found at run time.
using GetDpiForWindowFunction = UINT WINAPI(HWND);
// Windows 10 1703 and later.
using SetDpiAwarenessContextFunction = BOOL WINAPI(HANDLE);
// Windows Vista and later.
using SetDpiAwareFunction = BOOL WINAPI();

// A function of user32, which every launcher has loaded, that older Windows lack. Not logged
// when missing: on older Windows it is missing every time, and that is fine.
template <typename Function>
Function* NewerUserFunction(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 == nullptr ? nullptr : FunctionAt<Function>(GetProcAddress(user32, name));
}

// A window's device context, given back at the end of the scope.
class WindowDc {
public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) {
      ReleaseDC(window_, dc_);
    }
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

enum class Attempt { kShown, kUnreadable, kTooLarge };

// One creation of the dialog. One that does not suit is ended before it shows, and the dialog is
// created again from the changed template.
struct FitRun {
  FitRun(HINSTANCE instance, const DialogTemplateBytes& layout, DLGPROC procedure, LPARAM param,
         const DialogPicture* picture, bool faceReplaced)
      : instance(instance),
        layout(layout),
        procedure(procedure),
        param(param),
        picture(picture),
        faceReplaced(faceReplaced) {}

  HINSTANCE instance;
  const DialogTemplateBytes& layout;
  DLGPROC procedure;
  LPARAM param;
  const DialogPicture* picture;
  bool faceReplaced;
  Attempt attempt = Attempt::kShown;
  // The dialog's own procedure has had WM_INITDIALOG: it gets every message from then on.
  bool started = false;
  UniqueIcon bigIcon;
  UniqueIcon smallIcon;
  // The picture's frame, the bitmap it had from the resource and the scaled one it shows.
  HWND pictureWindow = nullptr;
  HGDIOBJ originalPicture = nullptr;
  UniqueGdiObject scaledPicture;
};

PixelRect ToPixelRect(const RECT& rect) {
  return PixelRect{rect.left, rect.top, rect.right, rect.bottom};
}

bool IsImageStatic(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  const auto type = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & SS_TYPEMASK;
  return lstrcmpiW(className, L"Static") == 0 && (type == SS_BITMAP || type == SS_ICON);
}

std::wstring ControlTexts(HWND dialog) {
  std::wstring texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const int length = GetWindowTextLengthW(child);
    if (length <= 0 || IsImageStatic(child)) {
      continue;
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(child, &text[0], length + 1)));
    texts += text;
  }
  return texts;
}

// Whether the font the dialog got has a glyph for every letter of its controls' texts. Where the
// font cannot say, the template's charset is trusted, as Windows' font mapper honours it.
bool FontShowsTexts(HWND dialog) {
  const std::wstring texts = ControlTexts(dialog);
  auto* font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  const WindowDc dc(dialog);
  if (texts.empty() || font == nullptr || dc.Get() == nullptr) {
    return true;
  }
  const HGDIOBJ previous = SelectObject(dc.Get(), font);
  std::vector<WORD> glyphs(texts.size());
  const DWORD converted = GetGlyphIndicesW(dc.Get(), texts.c_str(), static_cast<int>(texts.size()),
                                           glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc.Get(), previous);
  return converted == GDI_ERROR ||
         std::find(glyphs.begin(), glyphs.end(), static_cast<WORD>(0xFFFF)) == glyphs.end();
}

// The dialog's window as its template lays it out in the font it got. Measured rather than
// taken from the window: Wine makes a window no larger than the screen.
PixelSize LaidOutSize(HWND dialog, const DialogTemplateBytes& layout) {
  RECT rect = {0, 0, layout.Width(), layout.Height()};
  MapDialogRect(dialog, &rect);
  AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  return PixelSize{rect.right - rect.left, rect.bottom - rect.top};
}

int WindowDpi(HWND window) {
  if (auto* getDpiForWindow = NewerUserFunction<GetDpiForWindowFunction>("GetDpiForWindow")) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) {
      return static_cast<int>(dpi);
    }
  }
  const WindowDc screen(nullptr);
  return screen.Get() == nullptr ? 96 : GetDeviceCaps(screen.Get(), LOGPIXELSX);
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

HWND FindPictureFrame(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsImageStatic(child) &&
        (static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & SS_TYPEMASK) == SS_BITMAP) {
      return child;
    }
  }
  return nullptr;
}

// Sizes the picture's frame to the picture at the dialog's resolution, centred in its room, and
// shows the picture scaled to exactly the frame's inside (the static would otherwise squeeze
// its bitmap into its client area, or leave the rest grey).
void FitPicture(HWND dialog, FitRun& run) {
  if (run.picture == nullptr) {
    return;
  }
  const HWND frame = FindPictureFrame(dialog);
  const Picture source =
      frame == nullptr ? Picture() : LoadPictureResource(run.instance, run.picture->bitmapId);
  if (source.pixels.empty()) {
    return;
  }
  RECT room = run.picture->room;
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
  if (run.pictureWindow == nullptr) {
    run.pictureWindow = frame;
    run.originalPicture = previous;
  }
  run.scaledPicture = std::move(bitmap);  // the one shown before, if any, is let go
  const int width = size.width + edgeWidth;
  const int height = size.height + edgeHeight;
  SetWindowPos(frame, nullptr, room.left + (room.right - room.left - width) / 2,
               room.top + (room.bottom - room.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(frame, nullptr, TRUE);
}

// Hands the frame its own bitmap back, so that ours can go once the dialog is gone.
void RestorePicture(FitRun& run) {
  if (run.pictureWindow != nullptr && IsWindow(run.pictureWindow)) {
    SendMessageW(run.pictureWindow, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(run.originalPicture));
  }
  run.pictureWindow = nullptr;
}

void ShowGameIcon(HWND dialog, FitRun& run) {
  const auto load = [&run](int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(run.instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
  };
  run.bigIcon.Reset(load(SM_CXICON));
  run.smallIcon.Reset(load(SM_CXSMICON));
  SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(run.bigIcon.Get()));
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(run.smallIcon.Get()));
}

INT_PTR EndAttempt(HWND dialog, FitRun& run, Attempt attempt) {
  run.attempt = attempt;
  EndDialog(dialog, 0);
  return FALSE;
}

INT_PTR StartDialog(HWND dialog, FitRun& run, WPARAM defaultFocus) {
  if (!run.faceReplaced && !FontShowsTexts(dialog)) {
    return EndAttempt(dialog, run, Attempt::kUnreadable);
  }
  if (run.layout.PointSize() > kSmallestPointSize &&
      !FitsInside(LaidOutSize(dialog, run.layout), PrimaryWorkArea())) {
    return EndAttempt(dialog, run, Attempt::kTooLarge);
  }
  run.started = true;
  const INT_PTR wantsDefaultFocus = run.procedure(dialog, WM_INITDIALOG, defaultFocus, run.param);
  ShowGameIcon(dialog, run);
  FitPicture(dialog, run);
  // Through the dialog manager rather than by returning TRUE: Wine then only sets the focus,
  // and a focused push button would not become the one Enter presses.
  if (wantsDefaultFocus != FALSE) {
    if (HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE)) {
      SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
  }
  return FALSE;
}

INT_PTR CALLBACK FittedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* run = reinterpret_cast<FitRun*>(lParam);
    SetPropW(dialog, kFitProperty, run);
    return StartDialog(dialog, *run, wParam);
  }
  auto* run = static_cast<FitRun*>(GetPropW(dialog, kFitProperty));
  if (run == nullptr || !run->started) {
    if (message == WM_DESTROY) {
      RemovePropW(dialog, kFitProperty);
    }
    return FALSE;
  }
  switch (message) {
    case kDpiChanged:
      PostMessageW(dialog, kRefitPicture, 0, 0);
      break;
    case kRefitPicture:
      FitPicture(dialog, *run);
      return TRUE;
    case WM_DESTROY: {
      const INT_PTR result = run->procedure(dialog, message, wParam, lParam);
      RestorePicture(*run);
      RemovePropW(dialog, kFitProperty);
      return result;
    }
    default:
      break;
  }
  return run->procedure(dialog, message, wParam, lParam);
}

}  // namespace

void DeclareDpiAwareness() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (auto* setContext =
          NewerUserFunction<SetDpiAwarenessContextFunction>("SetProcessDpiAwarenessContext")) {
    if (setContext(perMonitorV2) != FALSE) {
      return;
    }
  }
  if (auto* setAware = NewerUserFunction<SetDpiAwareFunction>("SetProcessDPIAware")) {
    setAware();
  }
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

PixelRect PrimaryScreen() {
  return PixelRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

PixelRect PrimaryWorkArea() {
  RECT area;
  if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) == FALSE) {
    return PrimaryScreen();
  }
  return ToPixelRect(area);
}

INT_PTR RunFittedDialog(HINSTANCE instance, int resourceId, HWND owner, DLGPROC procedure,
                        LPARAM param, const DialogPicture* picture) {
  const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(5));
  const HGLOBAL loaded = resource == nullptr ? nullptr : LoadResource(instance, resource);
  const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
  DialogTemplateBytes layout(data, data == nullptr ? 0 : SizeofResource(instance, resource));
  if (!layout.Valid()) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(resourceId), owner, procedure, param);
  }
  bool faceReplaced = false;
  for (;;) {
    FitRun run(instance, layout, procedure, param, picture, faceReplaced);
    const INT_PTR result =
        DialogBoxIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(layout.Data()), owner,
                                FittedDialogProc, reinterpret_cast<LPARAM>(&run));
    switch (run.attempt) {
      case Attempt::kUnreadable:
        layout.SetTypeface(kFallbackTypeface);
        faceReplaced = true;
        break;
      case Attempt::kTooLarge:
        layout.SetPointSize(layout.PointSize() - 1);
        break;
      case Attempt::kShown:
        return result;
    }
  }
}
