// Filling a view: block definitions, curves, solids, block references, texts.
#include "preview/view.h"

#include <algorithm>
#include <cmath>

namespace GDI {

bool view::add_element(std::unique_ptr<entity> e, std::uint64_t handle, bool into_block, int list) {
  ++content_version_;
  if (into_block) {
    entity_block* block = tables_->blocks.find(handle);
    if (!block)
      return false;
    block->add(std::move(e));
    restage(stage_restart);
    return true;
  }
  drawing_.grow(e->get_extents(*this));
  if (list == 2) {
    list2_.push_back(std::move(e));
    restage(stage_list2);
  } else {
    list1_.push_back(std::move(e));
    restage(stage_list1);
  }
  return true;
}

bool view::define_block(const GcGePoint2d& base, std::uint64_t key) {
  ++content_version_;
  if (!tables_->blocks.add(std::make_unique<entity_block>(base, key)))
    return false;
  restage(stage_restart);
  return true;
}

int view::define_linetype(const char* name, std::initializer_list<double> pattern) {
  return define_linetype(name, std::vector<double>(pattern));
}

int view::define_linetype(const char* name, const std::vector<double>& pattern) {
  // Drawing files give patterns of a dozen elements at most; the limits keep
  // damaged ones from costing more than that or summing beyond a double.
  constexpr std::size_t max_elements = 1024;
  constexpr double max_length = 1e100;
  ++content_version_;
  const int index = tables_->linetypes.add(name ? name : "");
  linetype* lt = tables_->linetypes.at(index);
  *lt = linetype{};
  lt->name = name ? name : "";
  std::size_t kept = 0;
  for (double len : pattern) {
    if (std::isnan(len))
      continue;
    if (++kept > max_elements)
      break;
    lt->append(std::clamp(len, -max_length, max_length));
  }
  return index;
}

bool view::add_curve(GcGeEntity2d* geometry, std::uint64_t colour, std::uint32_t width, const char* linetype_name,
                     double linetype_scale, std::uint64_t handle, bool into_block, bool copy, int list) {
  if (!geometry)
    return false;
  std::unique_ptr<GcGeEntity2d> owned(copy ? geometry->gcCopy() : geometry);
  const bool point = owned->isKindOf(GcGe::kPointEnt2d);
  if (!point && !(owned->isKindOf(GcGe::kCurve2d) && static_cast<GcGeCurve2d&>(*owned).interval().isBounded()))
    return false; // unbounded curves have no extents to draw
  if (into_block && !tables_->blocks.find(handle))
    return false;
  const int pen = tables_->pens.index(resolve_colour(colour, palette_), width);
  const int lt = linetype_name ? tables_->linetypes.find(linetype_name) : -1;
  auto e = std::make_unique<curve>(std::move(owned), pen, lt, linetype_scale, handle);
  return add_element(std::move(e), handle, into_block, list);
}

bool view::add_solid(const std::vector<GcGeCurve2d*>& loops, const std::vector<bool>& owned, std::uint64_t colour,
                     std::uint64_t handle, bool into_block, int list) {
  std::vector<std::unique_ptr<GcGeCurve2d>> kept;
  for (std::size_t i = 0; i < loops.size(); ++i) {
    if (!loops[i])
      continue;
    const bool take = i < owned.size() && owned[i];
    kept.emplace_back(take ? loops[i] : loops[i]->copyCurve());
  }
  if (kept.empty() || (into_block && !tables_->blocks.find(handle)))
    return false;
  const int brush = tables_->brushes.index(resolve_colour(colour, palette_));
  return add_element(std::make_unique<solid>(std::move(kept), brush, handle), handle, into_block, list);
}

bool view::add_block_reference(std::uint64_t key, const GcGePoint2d& position, const GcGeScale2d& scale,
                               const GcGeVector2d& direction, std::uint64_t handle, bool into_block,
                               bool scale_pixels, int list) {
  if (into_block && !tables_->blocks.find(handle))
    return false;
  std::unique_ptr<entity> e;
  if (scale_pixels)
    e = std::make_unique<entity_insert_scale_pixels>(key, position, scale, direction, handle);
  else
    e = std::make_unique<entity_insert>(key, position, scale, direction, handle);
  return add_element(std::move(e), handle, into_block, list);
}

bool view::add_text(const GcGePoint2d& insertion, const GcGeVector2d& direction, std::u16string_view text,
                    double height, std::uint64_t colour, std::uint32_t vertical, std::uint32_t horizontal,
                    std::uint64_t handle, bool into_block, std::uint64_t value, text_style style, int list) {
  if (into_block && !tables_->blocks.find(handle))
    return false;
  auto e = std::make_unique<atext>(insertion, direction, text, height, resolve_colour(colour, palette_), vertical,
                                   horizontal, value, style, handle);
  if (owner_) {
    ui::window_dc wdc(owner_);
    if (wdc)
      e->measure(wdc.get(), *this);
  }
  return add_element(std::move(e), handle, into_block, list);
}

bool view::add_item(chain_item item, std::uint64_t handle, bool into_block) {
  const char* lt = item.linetype.empty() ? nullptr : item.linetype.c_str();
  switch (item.what) {
  case chain_item::kind::shapes: {
    // Every part is an element of its own under the item's handle; the item
    // counts as added when any part was.
    bool added = false;
    for (chain_part& part : item.parts) {
      if (part.curve) {
        added |= add_curve(part.curve.release(), item.colour, 1, lt, item.linetype_scale, handle, into_block, false);
        continue;
      }
      // The loops of a fill go in as one loop: the brushes fill each loop of
      // a solid with a polygon of its own, which would paint holes over.
      std::unique_ptr<GcGeCurve2d> loop = merge_loops(std::move(part.loops));
      if (loop)
        added |= add_solid({loop.release()}, {true}, item.colour, handle, into_block);
    }
    return added;
  }
  case chain_item::kind::text: {
    // Every line is a text element of its own under the item's handle.
    bool added = false;
    for (const chain_text& t : item.texts) {
      text_style style;
      style.underline = t.underline ? 1 : 0;
      style.strike_out = t.strike_out ? 1 : 0;
      style.width_factor = t.width_factor;
      style.backward = t.backward;
      style.upside_down = t.upside_down;
      added |= add_text(t.position, t.direction, t.text, t.height, t.colour.value_or(item.colour), t.vertical,
                        t.horizontal, handle, into_block, 0, style);
    }
    return added;
  }
  case chain_item::kind::insert: {
    bool added = false;
    const GcGeVector2d across = item.direction.perpVector();
    for (int row = 0; row < item.rows; ++row)
      for (int column = 0; column < item.columns; ++column) {
        const GcGePoint2d at =
            item.position + item.direction * (column * item.column_spacing) + across * (row * item.row_spacing);
        added |= add_block_reference(item.block_key, at, item.scale, item.direction, handle, into_block, false);
      }
    return added;
  }
  }
  return false;
}

} // namespace GDI
