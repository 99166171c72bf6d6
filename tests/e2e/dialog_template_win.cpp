#include "tests/e2e/dialog_template_win.h"

#include <cstring>

namespace e2e {

namespace {

// Walks the template bytes; every read checks the end, so a damaged resource gives
// valid == false rather than a crash.
class Reader {
public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }

  template <typename T>
  T Read() {
    T value{};
    if (offset_ + sizeof(T) > size_) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, data_ + offset_, sizeof(T));
    offset_ += sizeof(T);
    return value;
  }

  std::wstring ReadString() {
    std::wstring text;
    for (;;) {
      const auto c = Read<std::uint16_t>();
      if (!ok_ || c == 0) {
        return text;
      }
      text.push_back(static_cast<wchar_t>(c));
    }
  }

  // sz_Or_Ord: nothing, an ordinal after 0xFFFF, or a string.
  void ReadNameOrOrdinal(std::wstring& name, std::uint16_t& ordinal) {
    const auto first = Read<std::uint16_t>();
    if (first == 0xFFFF) {
      ordinal = Read<std::uint16_t>();
    } else if (first != 0) {
      name.push_back(static_cast<wchar_t>(first));
      name += ReadString();
    }
  }

  void AlignToDword() { offset_ = (offset_ + 3) & ~static_cast<std::size_t>(3); }
  void Skip(std::size_t bytes) { offset_ += bytes; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
  bool ok_ = true;
};

}  // namespace

DialogTemplate LoadDialogTemplate(HMODULE module, int resourceId) {
  DialogTemplate dialog;
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(5));
  if (resource == nullptr) {
    return dialog;
  }
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    return dialog;
  }
  Reader reader(static_cast<const std::uint8_t*>(bytes), SizeofResource(module, resource));
  const auto version = reader.Read<std::uint16_t>();
  const auto signature = reader.Read<std::uint16_t>();
  if (version != 1 || signature != 0xFFFF) {
    return dialog;  // only the extended form is used here
  }
  reader.Read<std::uint32_t>();  // help id
  dialog.exStyle = reader.Read<std::uint32_t>();
  dialog.style = reader.Read<std::uint32_t>();
  const auto count = reader.Read<std::uint16_t>();
  dialog.x = reader.Read<short>();
  dialog.y = reader.Read<short>();
  dialog.cx = reader.Read<short>();
  dialog.cy = reader.Read<short>();
  std::wstring ignoredName;
  std::uint16_t ignoredOrdinal = 0;
  reader.ReadNameOrOrdinal(ignoredName, ignoredOrdinal);  // menu
  reader.ReadNameOrOrdinal(ignoredName, ignoredOrdinal);  // class
  dialog.caption = reader.ReadString();
  if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
    dialog.pointSize = reader.Read<std::uint16_t>();
    dialog.weight = reader.Read<std::uint16_t>();
    dialog.italic = reader.Read<std::uint8_t>();
    dialog.charset = reader.Read<std::uint8_t>();
    dialog.typeface = reader.ReadString();
  }
  for (int i = 0; i < count && reader.ok(); ++i) {
    reader.AlignToDword();
    DialogItem item;
    reader.Read<std::uint32_t>();  // help id
    item.exStyle = reader.Read<std::uint32_t>();
    item.style = reader.Read<std::uint32_t>();
    item.x = reader.Read<short>();
    item.y = reader.Read<short>();
    item.cx = reader.Read<short>();
    item.cy = reader.Read<short>();
    item.id = reader.Read<std::uint32_t>();
    reader.ReadNameOrOrdinal(item.className, item.classOrdinal);
    reader.ReadNameOrOrdinal(item.text, item.textOrdinal);
    reader.Skip(reader.Read<std::uint16_t>());  // creation data
    dialog.items.push_back(item);
  }
  dialog.valid = reader.ok();
  return dialog;
}

}  // namespace e2e
