#include "launcher/dialog_font_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/unique_handle_win.h"

namespace {

// Below this the texts would no longer be read; a dialog that does not fit even so is placed
// with its caption on screen.
const int kSmallestPointSize = 4;
// Stands for the system's dialog face with every script it has: Microsoft Sans Serif on Windows,
// Tahoma on Wine.
const char16_t kFallbackTypeface[] = u"MS Shell Dlg";
// The letters the dialog manager averages for a dialog unit's width.
const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
const int kAlphabetLength = 52;

// `object` selected into `dc` for the scope, so that it is no longer selected when it goes.
class Selection {
public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The font the dialog manager makes from the template. Asked for in the locale's charset, as
// Wine's dialog manager asks, not in the template's: with the template's Cyrillic charset the
// font mapper would answer with another face, one the dialog never gets. On Windows in a Western
// locale that sends the dialog to "MS Shell Dlg" as well, which shows every letter there too.
UniqueGdiObject TemplateFont(HDC dc, const DialogTemplateBytes& layout) {
  LOGFONTW font = {};
  font.lfHeight = -MulDiv(layout.PointSize(), GetDeviceCaps(dc, LOGPIXELSY), 72);
  font.lfWeight = layout.Weight();
  font.lfItalic = layout.Italic() ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = PROOF_QUALITY;
  const std::u16string face = layout.Typeface().substr(0, LF_FACESIZE - 1);
  std::copy(face.begin(), face.end(), font.lfFaceName);
  return UniqueGdiObject(CreateFontIndirectW(&font));
}

// Whether the font selected into `dc` has a glyph for every letter of `texts`. Where the font
// cannot say, it is trusted.
bool ShowsLetters(HDC dc, const std::u16string& texts) {
  if (texts.empty()) {
    return true;
  }
  const std::wstring wide(texts.begin(), texts.end());
  std::vector<WORD> glyphs(wide.size());
  const DWORD converted = GetGlyphIndicesW(dc, wide.c_str(), static_cast<int>(wide.size()),
                                           glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  return converted == GDI_ERROR ||
         std::find(glyphs.begin(), glyphs.end(), static_cast<WORD>(0xFFFF)) == glyphs.end();
}

// The window's size from the base units of the font selected into `dc`; empty when the font
// cannot be measured.
PixelSize MeasuredWindowSize(HDC dc, const DialogTemplateBytes& layout) {
  TEXTMETRICW metrics;
  SIZE alphabet;
  if (GetTextMetricsW(dc, &metrics) == FALSE ||
      GetTextExtentPoint32W(dc, kAlphabet, kAlphabetLength, &alphabet) == FALSE) {
    return PixelSize{};
  }
  const int unitWidth = (alphabet.cx / 26 + 1) / 2;
  RECT rect = {0, 0, MulDiv(layout.Width(), unitWidth, 4),
               MulDiv(layout.Height(), metrics.tmHeight, 8)};
  DWORD extendedStyle = layout.ExtendedStyle();
  if ((layout.Style() & DS_MODALFRAME) != 0) {
    extendedStyle |= WS_EX_DLGMODALFRAME;
  }
  AdjustWindowRectEx(&rect, layout.Style(), FALSE, extendedStyle);
  return PixelSize{rect.right - rect.left, rect.bottom - rect.top};
}

PixelSize WindowSizeIn(HDC dc, const DialogTemplateBytes& layout) {
  const UniqueGdiObject font = TemplateFont(dc, layout);
  if (!font) {
    return PixelSize{};
  }
  const Selection selected(dc, font.Get());
  return MeasuredWindowSize(dc, layout);
}

}  // namespace

PixelSize TemplateWindowSize(const DialogTemplateBytes& layout) {
  const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  return dc ? WindowSizeIn(dc.Get(), layout) : PixelSize{};
}

void FitTemplate(DialogTemplateBytes& layout, const PixelRect& workArea) {
  const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc || !layout.Valid()) {
    return;
  }
  if (const UniqueGdiObject font = TemplateFont(dc.Get(), layout)) {
    const Selection selected(dc.Get(), font.Get());
    if (!ShowsLetters(dc.Get(), layout.ItemTexts())) {
      layout.SetTypeface(kFallbackTypeface);
    }
  }
  while (layout.PointSize() > kSmallestPointSize &&
         !FitsInside(WindowSizeIn(dc.Get(), layout), workArea)) {
    layout.SetPointSize(layout.PointSize() - 1);
  }
}
