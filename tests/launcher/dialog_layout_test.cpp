#include "launcher/dialog_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/picture_scale.h"

namespace {

// ---- placement ----

TEST(PlaceWindow, CentredOnTheScreenThenMovedIntoTheWorkArea) {
  const PixelRect screen{0, 0, 1024, 600};
  const PixelRect belowTaskBar{0, 0, 1024, 560};
  struct Row {
    const char* name;
    PixelSize size;
    PixelRect workArea;
    PixelRect placed;
  };
  const Row rows[] = {
      {"fits: centred, the odd pixel right and below",
       {501, 301},
       belowTaskBar,
       {261, 149, 762, 450}},
      {"would reach under the task bar: moved up", {600, 540}, belowTaskBar, {212, 20, 812, 560}},
      {"task bar at the top: moved down", {600, 540}, {0, 40, 1024, 600}, {212, 40, 812, 580}},
      {"task bar at the left: moved right",
       {1000, 300},
       {100, 0, 1024, 600},
       {100, 150, 1100, 450}},
      {"larger than the work area: its top left at the work area's",
       {1100, 700},
       belowTaskBar,
       {0, 0, 1100, 700}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const PixelRect placed = PlaceWindow(row.size, screen, row.workArea);
    EXPECT_EQ(placed.left, row.placed.left);
    EXPECT_EQ(placed.top, row.placed.top);
    EXPECT_EQ(placed.right, row.placed.right);
    EXPECT_EQ(placed.bottom, row.placed.bottom);
  }
}

// ---- the title picture's size ----

TEST(ScaledPictureSize, ItsOwnSizeAt96DpiScaledAboveAsFarAsTheRoomAllows) {
  struct Row {
    const char* name;
    int dpi;
    PixelSize room;
    PixelSize size;
  };
  const PixelSize plenty{2000, 2000};
  const Row rows[] = {
      {"96 dpi: 1:1", 96, plenty, {400, 200}},
      {"96 dpi, room just enough", 96, {400, 200}, {400, 200}},
      {"120 dpi", 120, plenty, {500, 250}},
      {"144 dpi", 144, plenty, {600, 300}},
      {"192 dpi: doubled", 192, plenty, {800, 400}},
      {"too little height: proportions kept", 120, {538, 246}, {492, 246}},
      {"too little width: proportions kept", 144, {469, 400}, {469, 234}},
      {"a dialog laid out smaller at 96 dpi", 96, {300, 180}, {300, 150}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const PixelSize size = ScaledPictureSize({400, 200}, row.dpi, row.room);
    EXPECT_EQ(size.width, row.size.width);
    EXPECT_EQ(size.height, row.size.height);
  }
}

// ---- the dialog template ----

void PutWord(std::vector<unsigned char>& bytes, unsigned value) {
  bytes.push_back(static_cast<unsigned char>(value & 0xFF));
  bytes.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void PutString(std::vector<unsigned char>& bytes, const std::u16string& text) {
  for (const char16_t c : text) {
    PutWord(bytes, c);
  }
  PutWord(bytes, 0);
}

// A DLGTEMPLATEEX as a resource compiler writes it: header, no menu, the class as an ordinal,
// a caption, the font, then (aligned to 4 bytes) one item whose bytes stand for all of them.
std::vector<unsigned char> Template(std::uint32_t style, const std::u16string& face,
                                    std::vector<unsigned char>& item) {
  std::vector<unsigned char> bytes;
  PutWord(bytes, 1);
  PutWord(bytes, 0xFFFF);
  for (int i = 0; i < 8; ++i) {
    bytes.push_back(0);  // help id, extended style
  }
  PutWord(bytes, style & 0xFFFF);
  PutWord(bytes, style >> 16);
  PutWord(bytes, 1);  // one item
  for (const unsigned value : {0u, 0u, 337u, 263u}) {
    PutWord(bytes, value);
  }
  PutWord(bytes, 0);  // no menu
  PutWord(bytes, 0xFFFF);
  PutWord(bytes, 0x8002);  // window class by ordinal
  PutString(bytes, u"Настройки");
  PutWord(bytes, 8);     // point size
  PutWord(bytes, 400);   // weight
  bytes.push_back(0);    // italic
  bytes.push_back(204);  // charset
  PutString(bytes, face);
  while (bytes.size() % 4 != 0) {
    bytes.push_back(0);
  }
  item.clear();
  for (int i = 0; i < 40; ++i) {
    item.push_back(static_cast<unsigned char>(i * 7 + 1));
  }
  bytes.insert(bytes.end(), item.begin(), item.end());
  return bytes;
}

const std::uint32_t kSetFont = 0x40;

TEST(DialogTemplateBytes, ReadsAndChangesTheFontKeepingTheItems) {
  std::vector<unsigned char> item;
  const std::vector<unsigned char> original = Template(kSetFont, u"MS Sans Serif", item);
  DialogTemplateBytes layout(original.data(), original.size());
  ASSERT_TRUE(layout.Valid());
  EXPECT_EQ(layout.Width(), 337);
  EXPECT_EQ(layout.Height(), 263);
  EXPECT_EQ(layout.PointSize(), 8);
  EXPECT_EQ(layout.Weight(), 400);
  EXPECT_FALSE(layout.Italic());
  EXPECT_EQ(layout.Style(), kSetFont);
  EXPECT_EQ(layout.ExtendedStyle(), 0u);
  EXPECT_EQ(layout.Typeface(), u"MS Sans Serif");
  EXPECT_EQ(
      std::vector<unsigned char>(static_cast<const unsigned char*>(layout.Data()),
                                 static_cast<const unsigned char*>(layout.Data()) + layout.Size()),
      original);

  // Faces of every length: the items stay byte for byte, on a 4-byte boundary.
  for (const std::u16string face : {u"MS Shell Dlg", u"Tahoma", u"A", u"Microsoft Sans Serif"}) {
    SCOPED_TRACE(std::string(face.begin(), face.end()));
    layout.SetTypeface(face);
    layout.SetPointSize(6);
    std::vector<unsigned char> expectedItem;
    const std::vector<unsigned char> expected = Template(kSetFont, face, expectedItem);
    ASSERT_EQ(layout.Size(), expected.size());
    const auto* bytes = static_cast<const unsigned char*>(layout.Data());
    EXPECT_EQ(layout.Typeface(), face);
    EXPECT_EQ(layout.PointSize(), 6);
    EXPECT_EQ(
        std::vector<unsigned char>(bytes + layout.Size() - item.size(), bytes + layout.Size()),
        item);
    EXPECT_EQ((layout.Size() - item.size()) % 4, 0u);
    EXPECT_EQ(layout.Width(), 337);
    EXPECT_EQ(layout.Height(), 263);
  }
}

TEST(DialogTemplateBytes, RefusesWhatIsNotADialogWithAFont) {
  std::vector<unsigned char> item;
  const std::vector<unsigned char> good = Template(kSetFont, u"MS Sans Serif", item);
  std::vector<unsigned char> oldStyle = good;
  oldStyle[2] = 0;  // a DLGTEMPLATE, not the extended one
  std::vector<unsigned char> noFont = Template(0, u"MS Sans Serif", item);
  std::vector<unsigned char> cutShort(good.begin(), good.begin() + 60);
  for (const std::vector<unsigned char>* bytes : {&oldStyle, &noFont, &cutShort}) {
    DialogTemplateBytes layout(bytes->data(), bytes->size());
    EXPECT_FALSE(layout.Valid());
    layout.SetTypeface(u"Tahoma");
    layout.SetPointSize(6);
    EXPECT_EQ(layout.Size(), bytes->size()) << "changed nonetheless";
  }
  EXPECT_FALSE(DialogTemplateBytes(nullptr, 0).Valid());
}

// One DLGITEMTEMPLATEEX, aligned to 4 bytes: the class by name (by ordinal when empty), the
// title by name (by ordinal when `titleId` is set) and `extra` bytes of creation data.
struct TemplateItem {
  std::u16string className;
  std::u16string title;
  unsigned titleId;
  unsigned extra;
};

void PutItem(std::vector<unsigned char>& bytes, const TemplateItem& item) {
  while (bytes.size() % 4 != 0) {
    bytes.push_back(0);
  }
  for (int i = 0; i < 24; ++i) {
    bytes.push_back(static_cast<unsigned char>(i + 1));  // help id, styles, place, id
  }
  if (item.className.empty()) {
    PutWord(bytes, 0xFFFF);
    PutWord(bytes, 0x80);
  } else {
    PutString(bytes, item.className);
  }
  if (item.titleId != 0) {
    PutWord(bytes, 0xFFFF);
    PutWord(bytes, item.titleId);
  } else {
    PutString(bytes, item.title);
  }
  PutWord(bytes, item.extra);
  bytes.insert(bytes.end(), item.extra, 0xFF);
}

TEST(DialogTemplateBytes, ItemTextsAreEveryTitleInOrder) {
  struct Row {
    const char* name;
    std::vector<TemplateItem> items;
    std::size_t cut;  // bytes taken off the end
    std::u16string texts;
  };
  const Row rows[] = {
      {"classes by ordinal and by name",
       {{u"", u"Запустить игру", 0, 0}, {u"Static", u"Частота", 0, 0}},
       0,
       u"Запустить игруЧастота"},
      {"a picture's ordinal, creation data, an empty title",
       {{u"Static", u"", 117, 0}, {u"", u"Выход", 0, 6}, {u"", u"", 0, 0}, {u"", u"OK", 0, 0}},
       0,
       u"ВыходOK"},
      {"cut short in the last title: the texts before it",
       {{u"", u"Запустить игру", 0, 0}, {u"Static", u"Частота", 0, 0}},
       6,
       u"Запустить игру"},
      {"no items", {}, 0, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<unsigned char> item;
    std::vector<unsigned char> bytes = Template(kSetFont, u"MS Sans Serif", item);
    bytes.resize(bytes.size() - item.size());
    bytes[16] = static_cast<unsigned char>(row.items.size());
    for (const TemplateItem& item : row.items) {
      PutItem(bytes, item);
    }
    bytes.resize(bytes.size() - row.cut);
    const DialogTemplateBytes layout(bytes.data(), bytes.size());
    ASSERT_TRUE(layout.Valid());
    EXPECT_EQ(layout.ItemTexts(), row.texts);
  }
}

// ---- scaling the picture ----

Picture Pattern(int width, int height) {
  Picture picture{width, height, {}};
  for (int i = 0; i < width * height * 3; ++i) {
    picture.pixels.push_back(static_cast<std::uint8_t>((i * 37 + i / 3 * 11) % 256));
  }
  return picture;
}

const std::uint8_t* PixelAt(const Picture& picture, int x, int y) {
  return &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 3];
}

TEST(ScalePicture, OwnSizeCopiesAndWholeMultiplesRepeatEveryPixel) {
  const Picture source = Pattern(40, 20);
  EXPECT_EQ(ScalePicture(source, 40, 20).pixels, source.pixels);
  for (const int factor : {2, 3}) {
    SCOPED_TRACE(factor);
    const Picture scaled = ScalePicture(source, 40 * factor, 20 * factor);
    ASSERT_EQ(scaled.width, 40 * factor);
    ASSERT_EQ(scaled.height, 20 * factor);
    int differing = 0;
    for (int y = 0; y < scaled.height; ++y) {
      for (int x = 0; x < scaled.width; ++x) {
        for (int c = 0; c < 3; ++c) {
          differing += PixelAt(scaled, x, y)[c] != PixelAt(source, x / factor, y / factor)[c];
        }
      }
    }
    EXPECT_EQ(differing, 0);
  }
}

TEST(ScalePicture, OtherScalesBlendOnlyAtTheSeams) {
  // Black for 3 pixels, then grey: the one new pixel over the seam mixes the two by how much of
  // each it covers; every other one is a source pixel's own colour.
  Picture source{8, 1, {}};
  for (int x = 0; x < 8; ++x) {
    const std::uint8_t value = x < 3 ? 0 : 200;
    source.pixels.insert(source.pixels.end(), {value, value, value});
  }
  struct Row {
    int width;
    std::vector<int> row;
  };
  const Row rows[] = {
      {10, {0, 0, 0, 50, 200, 200, 200, 200, 200, 200}},           // 5/4
      {12, {0, 0, 0, 0, 100, 200, 200, 200, 200, 200, 200, 200}},  // 3/2
      {7, {0, 0, 75, 200, 200, 200, 200}},                         // 7/8
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.width);
    const Picture scaled = ScalePicture(source, row.width, 1);
    std::vector<int> values;
    for (int x = 0; x < row.width; ++x) {
      values.push_back(PixelAt(scaled, x, 0)[1]);
    }
    EXPECT_EQ(values, row.row);
  }

  // A flat colour stays flat at any scale, up or down.
  Picture flat{30, 15, std::vector<std::uint8_t>(30 * 15 * 3, 77)};
  for (const PixelSize size : {PixelSize{37, 19}, PixelSize{45, 23}, PixelSize{17, 9}}) {
    const Picture scaled = ScalePicture(flat, size.width, size.height);
    EXPECT_EQ(scaled.pixels, std::vector<std::uint8_t>(scaled.pixels.size(), 77));
  }
  // Halving averages each 2 x 2 block.
  Picture block{2, 2, {0, 0, 0, 100, 100, 100, 200, 200, 200, 100, 100, 100}};
  EXPECT_EQ(ScalePicture(block, 1, 1).pixels, (std::vector<std::uint8_t>{100, 100, 100}));
}

TEST(ScalePicture, NothingFromNothing) {
  EXPECT_TRUE(ScalePicture(Pattern(4, 4), 0, 5).pixels.empty());
  EXPECT_TRUE(ScalePicture(Picture{}, 5, 5).pixels.empty());
  EXPECT_TRUE(ScalePicture(Picture{4, 4, {1, 2, 3}}, 5, 5).pixels.empty());
  // Beyond what 32-bit sums hold: nothing, rather than colours wrapped round.
  EXPECT_TRUE(ScalePicture(Pattern(4096, 1), 4097, 1).pixels.empty());
  EXPECT_TRUE(ScalePicture(Pattern(1, 4096), 1, 4097).pixels.empty());
  EXPECT_EQ(ScalePicture(Pattern(4096, 1), 4095, 1).width, 4095);
}

}  // namespace
