// Image lists, and the module's pictures they are made from.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/handles.h"

namespace ui {

class ImageList {
 public:
  // An empty list of pictures `width` x `height` (flags: ILC_COLOR32 | ILC_MASK ...).
  bool create(int width, int height, UINT flags, int initial, int grow) noexcept;
  void reset() noexcept { list_.reset(); }

  HIMAGELIST get() const noexcept { return list_.get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(list_); }
  int count() const noexcept { return list_ ? ImageList_GetImageCount(list_.get()) : 0; }

  // Adds the pictures of a bitmap (one per picture width), `transparent`
  // becoming the mask; the index of the first, or -1.
  int addMasked(HBITMAP bitmap, COLORREF transparent) const noexcept {
    return ImageList_AddMasked(list_.get(), bitmap, transparent);
  }
  // Adds a picture made from an icon (copied); its index, or -1.
  int addIcon(HICON icon) const noexcept { return ImageList_AddIcon(list_.get(), icon); }

 private:
  unique_himagelist list_;
};

// Bitmap `id` of the current module, stretched to width x height (its own
// size when both are 0), as a device-independent section.
unique_hbitmap loadModuleBitmap(int id, int width, int height) noexcept;
// Icon `id` of the current module at `size` pixels square.
unique_hicon loadModuleIcon(int id, int size) noexcept;

}  // namespace ui
