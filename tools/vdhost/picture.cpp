#include "tools/vdhost/picture.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/chain.h"
#include "host/text.h"
#include "hostsim/dimension_graphics.h"
#include "hostsim/leaders.h"
#include "preview/chain_items.h"
#include "preview/view.h"
#include "tools/png/bitmap_png.h"
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
                      chain.text(6).value_or(vd::vstring_view()),
                      static_cast<std::int32_t>(chain.integer(420).value_or(-1)));
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

// The colours for entities placed by a reference where `outer` holds: its
// attributes, and (membersPlacedBy) the members of its block. By-block
// entities take the reference's colour and linetype as resolved there.
GDI::colour_context placedBy(const GDI::colour_context& outer, const GDI::chain_colour& reference) {
  GDI::colour_context colours = outer;
  colours.block_index = outer.resolved_index(reference);
  colours.block_true_colour = outer.resolved_true_colour(reference);
  colours.block_linetype = outer.linetype_of(reference);
  return colours;
}

// As placedBy, and members on layer 0 take the reference's layer (a
// reference on layer 0 inside a block passes on the layer that stands for
// layer 0 there).
GDI::colour_context membersPlacedBy(const GDI::colour_context& outer, const GDI::chain_colour& reference) {
  GDI::colour_context colours = placedBy(outer, reference);
  colours.layer0 = reference.layer == u"0" && !outer.layer0.empty() ? outer.layer0 : reference.layer;
  return colours;
}

// An entity of a list and its followers (attributes of a reference, vertices
// of a polyline).
struct entity_group {
  const hostsim::Entity* main;
  std::vector<const hostsim::Entity*> followers;
};

bool isFollower(const hostsim::Entity& e) {
  const vd::ChainView chain = e.view();
  return chain.isType(u"ATTRIB") || chain.isType(u"VERTEX") || chain.isType(u"SEQEND");
}

// A block's entities as groups: followers go with the entity before them.
std::vector<entity_group> groupsOf(const std::vector<std::unique_ptr<hostsim::Entity>>& entities) {
  std::vector<entity_group> groups;
  for (const auto& e : entities) {
    if (e->erased) continue;
    if (isFollower(*e) && !groups.empty())
      groups.back().followers.push_back(e.get());
    else if (!isFollower(*e))
      groups.push_back({e.get(), {}});
  }
  return groups;
}

// Fills a view with a drawing. A block's members resolve their by-block
// colour and linetype and their layer 0 through the reference that places
// them, so a block is defined in the view once for every different way its
// references colour it (and its nested blocks as their references inside it
// do), each under a key of its own.
class picture_builder {
 public:
  picture_builder(const hostsim::Drawing& drawing, GDI::view& view,
                  const std::map<hostsim::vstring, hostsim::Variable>& variables,
                  const std::map<hostsim::vstring, hostsim::vstring>& environment)
      : drawing_(drawing), view_(view), variables_(variables), environment_(environment) {}

  // Adds the top-level entities in drawing order; returns how many were added.
  int addDrawing(const GDI::colour_context& colours) {
    std::map<vd::vstring, std::vector<const hostsim::Entity*>> followers;
    for (const auto& e : drawing_.allEntities()) {
      if (!e->erased && !e->owner.empty()) followers[e->owner].push_back(e.get());
    }
    int added = 0;
    for (const hostsim::Entity* entity : drawing_.entities()) {
      const auto it = followers.find(entity->handle);
      entity_group group{entity, it == followers.end() ? std::vector<const hostsim::Entity*>() : it->second};
      added += addGroup(group, colours, handleValue(entity->handle), false);
    }
    return added;
  }

 private:
  // Adds an entity (a reference with its attributes) with the colours where
  // it is; handle and intoBlock as view::add_item takes them.
  int addGroup(const entity_group& group, const GDI::colour_context& colours, uint64_t handle, bool intoBlock) {
    // A leader shows as its path and its arrowhead, each drawn as what it is.
    // A dimension shows as the pieces the host regenerates for it (or its
    // block, for a type it does not regenerate), in its look.
    const bool dimension = group.main->view().isType(u"DIMENSION");
    if (group.main->view().isType(u"LEADER") || dimension) {
      int added = 0;
      for (const vd::OwnedChain& part :
           dimension ? hostsim::dimensionDrawing(drawing_, variables_, environment_, group.main->view())
                     : hostsim::leaderDrawing(drawing_, group.main->view())) {
        hostsim::Entity piece;
        piece.handle = group.main->handle;
        piece.chain = hostsim::PackedChain(part.view());
        added += addGroup({&piece, {}}, colours, handle, intoBlock);
      }
      return added;
    }
    std::vector<const vd::ValueNode*> chains;
    for (const hostsim::Entity* f : group.followers) chains.push_back(f->chain.get());
    const vd::ChainView chain = group.main->view();
    auto item = GDI::item_from_chain(chain.head(), &colours, chains);
    if (!item) return 0;
    int added = 0;
    if (item->what == GDI::chain_item::kind::insert) {
      const GDI::chain_colour reference = GDI::colour_of_chain(chain.head());
      if (const auto key = blockFor(chain.text(2).value_or(vd::vstring_view()), membersPlacedBy(colours, reference))) {
        item->block_key = *key;
        added += view_.add_item(std::move(*item), handle, intoBlock);
      }
      // Attributes are texts of their own in the drawing, by-block ones in
      // the reference's colour.
      const GDI::colour_context placed = placedBy(colours, reference);
      for (const hostsim::Entity* f : group.followers) {
        auto text = GDI::item_from_chain(f->chain.get(), &placed);
        if (text) added += view_.add_item(std::move(*text), intoBlock ? handle : handleValue(f->handle), intoBlock);
      }
      return added;
    }
    return view_.add_item(std::move(*item), handle, intoBlock);
  }

  // The key of the block drawn with these member colours, defined with its
  // members on first use; nothing for a block the drawing lacks or one that
  // would contain itself.
  std::optional<uint64_t> blockFor(vd::vstring_view name, const GDI::colour_context& members) {
    const hostsim::Block* block = drawing_.findBlock(name);
    if (!block) return std::nullopt;
    const std::u16string upper = upperCase(block->name);
    if (open_.count(upper)) return std::nullopt;
    std::u16string signature = upper;
    for (const std::u16string& part :
         {vd::utf8ToUtf16(std::to_string(members.block_index)), vd::utf8ToUtf16(std::to_string(members.block_true_colour)),
          vd::utf8ToUtf16(members.block_linetype), upperCase(members.layer0)})
      signature += u'\n' + part;
    if (const auto it = defined_.find(signature); it != defined_.end()) return it->second;
    const uint64_t key = GDI::block_key(signature);
    if (!view_.define_block(GcGePoint2d(block->base[0], block->base[1]), key)) return std::nullopt;
    defined_.emplace(signature, key);
    open_.insert(upper);
    for (const entity_group& group : groupsOf(block->entities)) addGroup(group, members, key, true);
    open_.erase(upper);
    return key;
  }

  const hostsim::Drawing& drawing_;
  GDI::view& view_;
  const std::map<hostsim::vstring, hostsim::Variable>& variables_;
  const std::map<hostsim::vstring, hostsim::vstring>& environment_;
  std::map<std::u16string, uint64_t> defined_;  // member colours (block name first) to the block's key
  std::set<std::u16string> open_;               // blocks being defined
};

// Adds the items of the drawing to the view: linetypes first, then the
// top-level entities in drawing order, each block defined as its references
// need it.
int fillView(const hostsim::Drawing& drawing, GDI::view& view, COLORREF background, HDC dc,
             const std::map<hostsim::vstring, hostsim::Variable>& variables,
             const std::map<hostsim::vstring, hostsim::vstring>& environment) {
  GDI::colour_context colours = drawingColours(drawing, background);
  // Texts that run between two points or wrap are measured as the view draws them.
  colours.text_width = [dc, &view](std::u16string_view text) { return GDI::atext::unit_width(dc, text, view); };
  defineLinetypes(drawing, view);
  return picture_builder(drawing, view, variables, environment).addDrawing(colours);
}

}  // namespace

namespace {

// The drawing painted into a width × height picture, as RGB rows.
bool paintDrawing(const hostsim::Drawing& drawing, int width, int height, std::vector<uint8_t>& rgb,
                  std::string& error, const std::map<hostsim::vstring, hostsim::Variable>& variables,
                  const std::map<hostsim::vstring, hostsim::vstring>& environment, const PictureWindow& window) {
  ui::memory_surface surface;
  if (!surface.create(nullptr, width, height)) {
    error = "no picture surface of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return false;
  }
  GDI::view view;
  view.background = RGB(255, 255, 255);
  view.bind_dc(surface.dc());
  view.message_mask = 0;  // no diagnostic texts on the picture
  view.cap_height_texts = 1; // texts as high as CAD programs draw them
  const GDI::extents device(GcGePoint2d(0, 0), GcGePoint2d(width, height));
  const GDI::extents unit(GcGePoint2d(0, 0), GcGePoint2d(1, 1));
  view.fit_window(&unit, &device);
  // Colours go in resolved, so the view's palette is not used.
  fillView(drawing, view, view.background, surface.dc(), variables, environment);
  if (window) {
    const GDI::extents shown(GcGePoint2d((*window)[0], (*window)[1]), GcGePoint2d((*window)[2], (*window)[3]));
    view.fit_window(&shown, nullptr);
  } else {
    view.zoom_extents(0.05);
  }
  bool done = false;
  for (int i = 0; i < 10000 && !done; ++i) done = view.paint();
  if (!done) {
    error = "the picture did not finish painting";
    return false;
  }
  rgb = vdpng::bitmapRgb(surface.dc(), surface.bitmap(), width, height);
  if (rgb.empty()) {
    error = "the picture's pixels could not be read";
    return false;
  }
  return true;
}

}  // namespace

bool saveDrawingPicture(const hostsim::Drawing& drawing, const std::string& path, int width, int height,
                        std::string& error, const std::map<hostsim::vstring, hostsim::Variable>& variables,
                        const std::map<hostsim::vstring, hostsim::vstring>& environment, const PictureWindow& window) {
  std::vector<uint8_t> rgb;
  return paintDrawing(drawing, width, height, rgb, error, variables, environment, window) &&
         vdpng::writeRgb(path, width, height, rgb, error);
}

bool drawingPicturePng(const hostsim::Drawing& drawing, int width, int height, std::vector<uint8_t>& png,
                       std::string& error, const std::map<hostsim::vstring, hostsim::Variable>& variables,
                       const std::map<hostsim::vstring, hostsim::vstring>& environment, const PictureWindow& window) {
  std::vector<uint8_t> rgb;
  if (!paintDrawing(drawing, width, height, rgb, error, variables, environment, window)) return false;
  png = vdpng::encodeRgb(width, height, rgb);
  if (png.empty()) error = "the picture could not be encoded";
  return !png.empty();
}

}  // namespace vdhost
