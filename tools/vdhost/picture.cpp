#include "tools/vdhost/picture.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "preview/chain_items.h"
#include "preview/view.h"
#include "tools/png/png_writer.h"
#include "ui/gdi.h"

namespace vdhost {

namespace {

uint64_t handleValue(const vd::vstring& handle) {
  uint64_t v = 0;
  for (vd::vchar c : handle) {
    int d = (c >= u'0' && c <= u'9') ? c - u'0' : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : -1;
    if (d < 0) return 0;
    v = v * 16 + static_cast<uint64_t>(d);
  }
  return v;
}

// Adds the items of the drawing to the view: block definitions first, so that
// references find them, then the top-level entities in drawing order.
int fillView(const hostsim::Drawing& drawing, GDI::view& view) {
  int added = 0;
  for (const auto& block : drawing.blocks()) {
    uint64_t key = GDI::block_key(block->name);
    if (!view.define_block(GcGePoint2d(block->base[0], block->base[1]), key)) continue;
    for (const auto& entity : block->entities) {
      if (entity->erased) continue;
      if (auto item = GDI::item_from_chain(entity->chain.get())) added += view.add_item(std::move(*item), key, true);
    }
  }
  for (const hostsim::Entity* entity : drawing.entities()) {
    if (auto item = GDI::item_from_chain(entity->chain.get())) {
      added += view.add_item(std::move(*item), handleValue(entity->handle), false);
    }
    // Attributes follow their reference and are drawn as texts of their own.
    for (const hostsim::Entity* follower : drawing.followersOf(*entity)) {
      if (auto item = GDI::item_from_chain(follower->chain.get())) {
        added += view.add_item(std::move(*item), handleValue(follower->handle), false);
      }
    }
  }
  return added;
}

}  // namespace

bool saveDrawingPicture(const hostsim::Drawing& drawing, const std::string& path, int width, int height,
                        std::string& error) {
  ui::memory_surface surface;
  if (!surface.create(nullptr, width, height)) {
    error = "no picture surface of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return false;
  }
  GDI::view view;
  view.background = RGB(255, 255, 255);
  view.bind_dc(surface.dc());
  // The first nine colour indexes as the CAD shows them on a white ground
  // (7 black); the rest dark grey until the full palette is part of the module.
  view.palette().mode = 1;
  view.palette().rgb.assign(257, RGB(64, 64, 64));
  const COLORREF basic[] = {RGB(0, 0, 0),     RGB(255, 0, 0),   RGB(255, 255, 0), RGB(0, 255, 0),     RGB(0, 255, 255),
                            RGB(0, 0, 255),   RGB(255, 0, 255), RGB(0, 0, 0),     RGB(128, 128, 128), RGB(192, 192, 192)};
  for (int i = 0; i < 10; ++i) view.palette().rgb[static_cast<size_t>(i)] = basic[i];
  view.message_mask = 0;  // no diagnostic texts on the picture
  const GDI::extents device(GcGePoint2d(0, 0), GcGePoint2d(width, height));
  const GDI::extents unit(GcGePoint2d(0, 0), GcGePoint2d(1, 1));
  view.fit_window(&unit, &device);
  fillView(drawing, view);
  view.zoom_extents(0.05);
  bool done = false;
  for (int i = 0; i < 10000 && !done; ++i) done = view.paint();
  if (!done) {
    error = "the picture did not finish painting";
    return false;
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> bgr(stride * static_cast<size_t>(height));
  if (GetDIBits(surface.dc(), surface.bitmap(), 0, static_cast<UINT>(height), bgr.data(), &info, DIB_RGB_COLORS) !=
      height) {
    error = "the picture's pixels could not be read";
    return false;
  }
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
  return vdpng::writeRgb(path, width, height, rgb, error);
}

}  // namespace vdhost
