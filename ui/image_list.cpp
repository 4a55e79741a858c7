#include "ui/image_list.h"

#include "ui/module_state.h"

namespace ui {

bool ImageList::create(int width, int height, UINT flags, int initial, int grow) noexcept {
  list_.reset(ImageList_Create(width, height, flags, initial, grow));
  return static_cast<bool>(list_);
}

unique_hbitmap loadModuleBitmap(int id, int width, int height) noexcept {
  return unique_hbitmap(static_cast<HBITMAP>(LoadImageW(resourceModule(currentModuleState()), MAKEINTRESOURCEW(id),
                                                        IMAGE_BITMAP, width, height, LR_CREATEDIBSECTION)));
}

unique_hicon loadModuleIcon(int id, int size) noexcept {
  return unique_hicon(static_cast<HICON>(
      LoadImageW(resourceModule(currentModuleState()), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

}  // namespace ui
