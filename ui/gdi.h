// Owners for GDI state that ui/handles.h does not cover: a memory DC with its
// bitmap selected, and a saved set of DC attributes; font measures.
#pragma once
#include <windows.h>

#include "ui/handles.h"

#include <utility>

namespace ui {

// A memory DC holding a bitmap of its own; the original bitmap is selected
// back before either is deleted.
class memory_surface {
 public:
  memory_surface() noexcept = default;
  memory_surface(const memory_surface&) = delete;
  memory_surface& operator=(const memory_surface&) = delete;
  memory_surface(memory_surface&& o) noexcept { swap(o); }
  memory_surface& operator=(memory_surface&& o) noexcept {
    if (this != &o) {
      reset();
      swap(o);
    }
    return *this;
  }
  ~memory_surface() { reset(); }
  void swap(memory_surface& o) noexcept {
    std::swap(dc_, o.dc_);
    std::swap(bitmap_, o.bitmap_);
    std::swap(original_, o.original_);
    std::swap(width_, o.width_);
    std::swap(height_, o.height_);
  }

  // Makes a DC compatible with `reference` (the screen when null) and a
  // compatible bitmap of the given size; false leaves the surface empty.
  bool create(HDC reference, int width, int height) noexcept {
    reset();
    HDC screen = reference ? reference : GetDC(nullptr);
    dc_.reset(CreateCompatibleDC(screen));
    if (dc_) bitmap_.reset(CreateCompatibleBitmap(screen, width, height));
    if (!reference) ReleaseDC(nullptr, screen);
    if (!dc_ || !bitmap_) {
      reset();
      return false;
    }
    original_ = SelectObject(dc_.get(), bitmap_.get());
    width_ = width;
    height_ = height;
    return true;
  }
  void reset() noexcept {
    if (dc_ && original_) SelectObject(dc_.get(), original_);
    original_ = nullptr;
    dc_.reset();
    bitmap_.reset();
    width_ = height_ = 0;
  }
  HDC dc() const noexcept { return dc_.get(); }
  HBITMAP bitmap() const noexcept { return bitmap_.get(); }
  int width() const noexcept { return width_; }
  int height() const noexcept { return height_; }
  explicit operator bool() const noexcept { return static_cast<bool>(dc_); }

 private:
  unique_hdc dc_;
  unique_hbitmap bitmap_;
  HGDIOBJ original_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Text colour, background mode and text alignment of a DC, restored on exit.
class text_state {
 public:
  explicit text_state(HDC dc) noexcept
      : dc_(dc), colour_(GetTextColor(dc)), mode_(GetBkMode(dc)), align_(GetTextAlign(dc)) {}
  ~text_state() {
    SetTextColor(dc_, colour_);
    SetBkMode(dc_, mode_);
    SetTextAlign(dc_, align_);
  }
  text_state(const text_state&) = delete;
  text_state& operator=(const text_state&) = delete;

 private:
  HDC dc_;
  COLORREF colour_;
  int mode_;
  UINT align_;
};

// Pixels per inch of a window's DC (the screen's for null) / 96: the factor
// by which sizes given for a 96-dpi screen grow; 1 when it cannot be read.
inline double screenScale(HWND window = nullptr) noexcept {
  window_dc dc(window);
  const int density = dc ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 0;
  return density > 0 ? density / 96.0 : 1.0;
}

// The height of a capital letter of the font selected into dc as a share of
// its cell height (tmHeight), measured on the glyph of "H": how much taller
// a font must be asked for than the capitals it is to draw. 0 when it
// cannot be measured.
inline double capitalShare(HDC dc) noexcept {
  TEXTMETRICW metrics{};
  GLYPHMETRICS glyph{};
  const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  if (!GetTextMetricsW(dc, &metrics) || metrics.tmHeight <= 0 ||
      GetGlyphOutlineW(dc, L'H', GGO_METRICS, &glyph, 0, nullptr, &identity) == GDI_ERROR)
    return 0.0;
  const double share = static_cast<double>(glyph.gmBlackBoxY) / metrics.tmHeight;
  return share > 0.25 && share <= 1.0 ? share : 0.0;
}

}  // namespace ui
