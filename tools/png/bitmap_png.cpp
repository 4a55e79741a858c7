#include "tools/png/bitmap_png.h"

#include "tools/png/png_writer.h"
#include "ui/gdi.h"

namespace vdpng {

std::vector<uint8_t> bitmapRgb(HDC dc, HBITMAP bitmap, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> bgr(stride * static_cast<size_t>(height));
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bgr.data(), &info, DIB_RGB_COLORS) != height) return {};
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* s = &bgr[y * stride + x * 3];
      uint8_t* d = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  return rgb;
}

bool writeBitmap(HDC dc, HBITMAP bitmap, int width, int height, const std::string& path, std::string& error) {
  const std::vector<uint8_t> rgb = bitmapRgb(dc, bitmap, width, height);
  if (rgb.empty()) {
    error = "the picture's pixels could not be read";
    return false;
  }
  return writeRgb(path, width, height, rgb, error);
}

namespace {

// The window's pixels as RGB rows, as it shows on screen.
bool windowRgb(HWND window, int& width, int& height, std::vector<uint8_t>& rgb, std::string& error) {
  RECT frame{};
  if (!IsWindow(window) || !IsWindowVisible(window) || !GetWindowRect(window, &frame)) {
    error = "no window on screen to picture";
    return false;
  }
  width = frame.right - frame.left;
  height = frame.bottom - frame.top;
  ui::memory_surface surface;
  if (!surface.create(nullptr, width, height)) {
    error = "no picture surface of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return false;
  }
  // Wine's PrintWindow and WM_PRINT leave out the frame and the child
  // windows, so the picture is copied from the window as it is drawn, frame
  // and children included, once everything has painted.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
  HDC source = GetWindowDC(window);
  const bool copied = source && BitBlt(surface.dc(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  if (source) ReleaseDC(window, source);
  if (!copied) {
    error = "the window's pixels could not be copied";
    return false;
  }
  rgb = bitmapRgb(surface.dc(), surface.bitmap(), width, height);
  if (rgb.empty()) {
    error = "the picture's pixels could not be read";
    return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> windowPng(HWND window, std::string& error) {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  if (!windowRgb(window, width, height, rgb, error)) return {};
  std::vector<uint8_t> png = encodeRgb(width, height, rgb);
  if (png.empty()) error = "no picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  return png;
}

bool writeWindow(HWND window, const std::string& path, std::string& error) {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  return windowRgb(window, width, height, rgb, error) && writeRgb(path, width, height, rgb, error);
}

}  // namespace vdpng
