#include "tools/vdhost/picture.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/chain.h"
#include "host/text.h"
#include "preview/chain_items.h"
#include "preview/view.h"
#include "tools/png/bitmap_png.h"
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

std::u16string upperCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

// The host keeps no $LTSCALE of a loaded drawing: patterns are drawn at each
// entity's own linetype scale.
constexpr double kDrawingLinetypeScale = 1.0;

// Colours and linetypes as the drawing defines them: its layer records
// (colour 7 and continuous when a layer has none) on the picture's ground.
GDI::colour_context drawingColours(const hostsim::Drawing& drawing, COLORREF background) {
  GDI::colour_context colours;
  colours.background = background;
  colours.linetype_scale = kDrawingLinetypeScale;
  for (const hostsim::TableRecord& record : drawing.tableRecords()) {
    if (!vd::equalsNoCaseAscii(record.table, u"LAYER")) continue;
    const vd::ChainView chain = record.chain.view();
    const auto name = chain.text(2);
    if (!name) continue;
    colours.set_layer(*name, static_cast<int>(chain.integer(62).value_or(7)), (chain.integer(70).value_or(0) & 1) != 0,
                      chain.text(6).value_or(vd::vstring_view()));
  }
  return colours;
}

// Defines the linetypes of the drawing's LTYPE records in the view: the
// element lengths (49) in order, positive a dash, negative a gap, zero a dot.
// Elements with a shape or text count by their length alone; the element
// count (73) and total length (40) are not needed to read them.
void defineLinetypes(const hostsim::Drawing& drawing, GDI::view& view) {
  std::vector<double> pattern;
  for (const hostsim::TableRecord& record : drawing.tableRecords()) {
    if (!vd::equalsNoCaseAscii(record.table, u"LTYPE")) continue;
    const vd::ChainView chain = record.chain.view();
    const auto name = chain.text(2);
    if (!name || name->empty()) continue;
    pattern.clear();
    for (const vd::ChainItem item : chain) {
      if (item.code() != 49) continue;
      if (const auto length = item.real()) pattern.push_back(*length);
    }
    view.define_linetype(GDI::linetype_name(*name).c_str(), pattern);
  }
}

// The colours for entities placed by a reference: by-block members take the
// reference's colour and linetype.
GDI::colour_context placedBy(const GDI::colour_context& drawing, const GDI::chain_colour& reference) {
  GDI::colour_context colours = drawing;
  colours.block_index = drawing.resolved_index(reference);
  colours.block_true_colour = reference.true_colour >= 0 ? reference.true_colour
                              : reference.index == 0   ? drawing.block_true_colour
                                                       : -1;
  colours.block_linetype = drawing.linetype_of(reference);
  return colours;
}

// The colours for the members of a block the reference places: as placedBy,
// and members on layer 0 take the reference's layer.
GDI::colour_context membersPlacedBy(const GDI::colour_context& drawing, const GDI::chain_colour& reference) {
  GDI::colour_context colours = placedBy(drawing, reference);
  colours.layer0 = reference.layer;
  return colours;
}

// Adds the items of the drawing to the view: linetypes and block definitions
// first, so that entities and references find them, then the top-level
// entities in drawing order. A block's members are shared by all its
// references, so by-block members take the colour and linetype, and members
// on layer 0 the layer, of the block's first reference in the drawing that is
// drawn (colour 7, continuous and layer 0 itself for a block placed only
// inside other blocks).
int fillView(const hostsim::Drawing& drawing, GDI::view& view, COLORREF background) {
  const GDI::colour_context colours = drawingColours(drawing, background);
  defineLinetypes(drawing, view);
  std::map<std::u16string, GDI::chain_colour> firstReference;
  for (const hostsim::Entity* entity : drawing.entities()) {
    const vd::ChainView chain = entity->view();
    if (!chain.isType(u"INSERT")) continue;
    const GDI::chain_colour reference = GDI::colour_of_chain(chain.head());
    if (!colours.visible(reference)) continue;
    if (const auto name = chain.text(2)) firstReference.emplace(upperCase(*name), reference);
  }
  int added = 0;
  for (const auto& block : drawing.blocks()) {
    uint64_t key = GDI::block_key(block->name);
    if (!view.define_block(GcGePoint2d(block->base[0], block->base[1]), key)) continue;
    const auto reference = firstReference.find(upperCase(block->name));
    const GDI::colour_context members =
        reference == firstReference.end() ? colours : membersPlacedBy(colours, reference->second);
    for (const auto& entity : block->entities) {
      if (entity->erased) continue;
      if (auto item = GDI::item_from_chain(entity->chain.get(), &members)) {
        added += view.add_item(std::move(*item), key, true);
      }
    }
  }
  for (const hostsim::Entity* entity : drawing.entities()) {
    if (auto item = GDI::item_from_chain(entity->chain.get(), &colours)) {
      added += view.add_item(std::move(*item), handleValue(entity->handle), false);
    }
    // Attributes follow their reference and are drawn as texts of their own,
    // by-block ones in the reference's colour. An attribute is an entity of
    // the drawing with its own layer: layer 0 stands for itself there.
    const std::vector<const hostsim::Entity*> followers = drawing.followersOf(*entity);
    if (followers.empty()) continue;
    const GDI::colour_context placed = placedBy(colours, GDI::colour_of_chain(entity->chain.get()));
    for (const hostsim::Entity* follower : followers) {
      if (auto item = GDI::item_from_chain(follower->chain.get(), &placed)) {
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
  view.message_mask = 0;  // no diagnostic texts on the picture
  const GDI::extents device(GcGePoint2d(0, 0), GcGePoint2d(width, height));
  const GDI::extents unit(GcGePoint2d(0, 0), GcGePoint2d(1, 1));
  view.fit_window(&unit, &device);
  // Colours go in resolved, so the view's palette is not used.
  fillView(drawing, view, view.background);
  view.zoom_extents(0.05);
  bool done = false;
  for (int i = 0; i < 10000 && !done; ++i) done = view.paint();
  if (!done) {
    error = "the picture did not finish painting";
    return false;
  }

  return vdpng::writeBitmap(surface.dc(), surface.bitmap(), width, height, path, error);
}

}  // namespace vdhost
