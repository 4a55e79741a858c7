#include "tools/vdhost/dialog_template.h"

#include <cstring>

namespace vdhost {

namespace {

// A forward reader over the template's words; any read past the end sets
// `failed` and yields zeros.
class Reader {
 public:
  Reader(const void* data, size_t size) : p_(static_cast<const uint8_t*>(data)), size_(size) {}

  template <typename T>
  T read() {
    T v{};
    if (pos_ + sizeof(T) > size_) {
      failed = true;
      pos_ = size_;
      return v;
    }
    std::memcpy(&v, p_ + pos_, sizeof(T));
    pos_ += sizeof(T);
    return v;
  }
  std::wstring readString() {
    std::wstring s;
    for (wchar_t c = read<wchar_t>(); c != 0 && !failed; c = read<wchar_t>()) s.push_back(c);
    return s;
  }
  // A string or an ordinal (0xFFFF then the number); ordinals come back as
  // "#n", those of the predefined control classes by the class name.
  std::wstring readNameOrOrdinal(bool classNames) {
    const uint16_t first = read<uint16_t>();
    if (first == 0) return {};
    if (first == 0xFFFF) {
      const uint16_t ordinal = read<uint16_t>();
      if (classNames) {
        static const wchar_t* const kClasses[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
        if (ordinal >= 0x80 && ordinal <= 0x85) return kClasses[ordinal - 0x80];
      }
      return L"#" + std::to_wstring(ordinal);
    }
    std::wstring s(1, static_cast<wchar_t>(first));
    return s + readString();
  }
  void alignDword() { pos_ = (pos_ + 3) & ~size_t{3}; }
  void skip(size_t n) {
    if (pos_ + n > size_) failed = true;
    pos_ = pos_ + n > size_ ? size_ : pos_ + n;
  }

  bool failed = false;

 private:
  const uint8_t* p_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

bool parseDialogTemplate(const void* data, size_t size, DialogTemplate& out) {
  out = DialogTemplate{};
  Reader r(data, size);
  if (r.read<uint16_t>() != 1 || r.read<uint16_t>() != 0xFFFF) return false;  // version 1, extended signature
  r.read<DWORD>();                                                              // help id
  out.exStyle = r.read<DWORD>();
  out.style = r.read<DWORD>();
  const uint16_t count = r.read<uint16_t>();
  out.x = r.read<short>();
  out.y = r.read<short>();
  out.cx = r.read<short>();
  out.cy = r.read<short>();
  r.readNameOrOrdinal(false);  // menu
  r.readNameOrOrdinal(false);  // window class
  out.title = r.readString();
  if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
    out.pointSize = r.read<uint16_t>();
    r.read<uint16_t>();  // weight
    r.read<uint8_t>();   // italic
    r.read<uint8_t>();   // character set
    out.fontName = r.readString();
  }
  for (int i = 0; i < count && !r.failed; ++i) {
    r.alignDword();
    DialogItem item;
    r.read<DWORD>();  // help id
    item.exStyle = r.read<DWORD>();
    item.style = r.read<DWORD>();
    item.x = r.read<short>();
    item.y = r.read<short>();
    item.cx = r.read<short>();
    item.cy = r.read<short>();
    const DWORD id = r.read<DWORD>();
    item.id = id == 0xFFFF ? -1 : static_cast<int>(id);
    item.windowClass = r.readNameOrOrdinal(true);
    item.text = r.readNameOrOrdinal(false);
    r.skip(r.read<uint16_t>());  // creation data
    out.items.push_back(std::move(item));
  }
  return !r.failed;
}

bool loadDialogTemplate(HMODULE module, int id, DialogTemplate& out) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  return data && parseDialogTemplate(data, SizeofResource(module, found), out);
}

}  // namespace vdhost
