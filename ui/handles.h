// Move-only owners of Win32 handles: one per handle type, copying deleted.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace ui {

// Owns a handle released by Close; an invalid value of Invalid.
template <typename H, auto Close, H Invalid = H{}>
class unique_any {
 public:
  unique_any() noexcept = default;
  explicit unique_any(H h) noexcept : h_(h) {}
  unique_any(unique_any&& o) noexcept : h_(std::exchange(o.h_, Invalid)) {}
  unique_any& operator=(unique_any&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Invalid));
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  H get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Invalid; }
  H release() noexcept { return std::exchange(h_, Invalid); }
  void reset(H h = Invalid) noexcept {
    if (h_ != Invalid) Close(h_);
    h_ = h;
  }

 private:
  H h_ = Invalid;
};

// Named deleters: a lambda as template argument would give every class in a
// header that stores one of these owners internal linkage warnings.
template <typename H>
inline void closeGdiObject(H h) {
  DeleteObject(h);
}
inline void closeDc(HDC h) { DeleteDC(h); }
inline void closeModule(HMODULE h) { FreeLibrary(h); }
inline void closeWindow(HWND h) { DestroyWindow(h); }
inline void closeKey(HKEY h) { RegCloseKey(h); }
inline void closeHook(HHOOK h) { UnhookWindowsHookEx(h); }
inline void closeImageList(HIMAGELIST h) { ImageList_Destroy(h); }
// Only for icons the program made or loaded unshared (LoadImage without
// LR_SHARED, CreateIconIndirect); shared icons must never be destroyed.
inline void closeIcon(HICON h) { DestroyIcon(h); }

using unique_hpen = unique_any<HPEN, &closeGdiObject<HPEN>>;
using unique_hbrush = unique_any<HBRUSH, &closeGdiObject<HBRUSH>>;
using unique_hfont = unique_any<HFONT, &closeGdiObject<HFONT>>;
using unique_hbitmap = unique_any<HBITMAP, &closeGdiObject<HBITMAP>>;
using unique_hrgn = unique_any<HRGN, &closeGdiObject<HRGN>>;
using unique_hdc = unique_any<HDC, &closeDc>;
using unique_hmodule = unique_any<HMODULE, &closeModule>;
using unique_hwnd = unique_any<HWND, &closeWindow>;
using unique_hkey = unique_any<HKEY, &closeKey>;
using unique_hhook = unique_any<HHOOK, &closeHook>;
using unique_himagelist = unique_any<HIMAGELIST, &closeImageList>;
using unique_hicon = unique_any<HICON, &closeIcon>;

// A DC from GetDC, released to the window it came from.
class window_dc {
 public:
  explicit window_dc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  ~window_dc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  window_dc(const window_dc&) = delete;
  window_dc& operator=(const window_dc&) = delete;
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back when it goes.
class select_result {
 public:
  select_result(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~select_result() {
    if (dc_ && previous_) SelectObject(dc_, previous_);
  }
  select_result(const select_result&) = delete;
  select_result& operator=(const select_result&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace ui
