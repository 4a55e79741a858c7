// Pictures of the controls for the documentation (docs/pictures holds
// copies): a dialog with the dropped list of one of its combo boxes.
#pragma once
#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>

#include "tools/png/bitmap_png.h"
#include "ui/gdi.h"

namespace uitest {

// Where a picture of that name goes: the folder "pictures" of the current
// folder, made when missing.
inline std::filesystem::path picturePath(const char* name) {
  std::filesystem::create_directories("pictures");
  return std::filesystem::path("pictures") / name;
}

// The dialog with its dropped list in one picture: the list is a window of
// its own, copied over the dialog where it lies on the screen.
inline bool writeDroppedCombo(HWND dialog, HWND combo, const std::filesystem::path& path, std::string& error) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info) || !IsWindowVisible(info.hwndList)) {
    error = "the list is not dropped down";
    return false;
  }
  for (HWND w : {dialog, info.hwndList})
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
  RECT frame{}, list{};
  GetWindowRect(dialog, &frame);
  GetWindowRect(info.hwndList, &list);
  RECT all{};
  UnionRect(&all, &frame, &list);
  const RECT whole{0, 0, all.right - all.left, all.bottom - all.top};
  ui::memory_surface surface;
  if (!surface.create(nullptr, whole.right, whole.bottom)) {
    error = "no surface for the picture";
    return false;
  }
  FillRect(surface.dc(), &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  for (auto [window, r] : {std::pair{dialog, frame}, std::pair{info.hwndList, list}}) {
    HDC source = GetWindowDC(window);
    BitBlt(surface.dc(), r.left - all.left, r.top - all.top, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
  }
  return vdpng::writeBitmap(surface.dc(), surface.bitmap(), whole.right, whole.bottom, path.string(), error);
}

}  // namespace uitest
