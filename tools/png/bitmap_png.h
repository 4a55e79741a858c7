// PNG pictures of GDI bitmaps and of windows as they show on screen.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vdpng {

// The pixels of a width × height bitmap as RGB rows, top row first; empty when
// they cannot be read. `dc` is a DC the bitmap is compatible with.
std::vector<uint8_t> bitmapRgb(HDC dc, HBITMAP bitmap, int width, int height);

// Writes the bitmap as PNG; false with a reason when it cannot be read or written.
bool writeBitmap(HDC dc, HBITMAP bitmap, int width, int height, const std::string& path, std::string& error);

// The window as it shows on screen, frame and children included, encoded
// as PNG in memory; empty with a reason when it is not shown or its pixels
// cannot be read.
std::vector<uint8_t> windowPng(HWND window, std::string& error);

// Writes the window as windowPng pictures it; false with a reason when it is
// not shown or nothing could be written.
bool writeWindow(HWND window, const std::string& path, std::string& error);

}  // namespace vdpng
