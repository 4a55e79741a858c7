#pragma once
// Display-list elements: curves, filled solids, texts, block definitions and
// block references. Each measures itself, paints into a view (or hit-tests
// against its window), reports snap points and owns its cache.
#include <windows.h>

#include "geom/curve2d.h"
#include "geom/scale2d.h"
#include "preview/buffers.h"
#include "preview/snap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace GDI {

class view;
struct pen_record;

class entity {
public:
  explicit entity(std::uint64_t handle = no_handle);
  virtual ~entity();
  entity(const entity&) = delete;
  entity& operator=(const entity&) = delete;

  // Elements alive now, reported as "ENTITY INSTANCES".
  static int live_count();

  virtual void set_highlight(bool on) { highlighted = on ? 1 : 0; }
  // 0 ordinary element, 1 curve, 2 block definition.
  virtual int kind() const { return 0; }
  // Draws into the view, or in hit-test mode reports whether any part lies in
  // its window.
  virtual bool paint(view& v) { return false; }
  // Drawing units; transformed by the block transform inside a reference.
  virtual extents get_extents(view& v) const { return {}; }
  virtual void collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points,
                                   std::vector<std::uint32_t>& kinds, std::uint32_t modes, const GcGePoint2d* last) {}
  virtual bool hit_window(view& v, const extents& w) { return false; }
  virtual void collect_intersections(view& v, entity& other, GcGePoint2dArray& points) {}
  // Installs a cache and returns the previous one; ownership passes both ways.
  virtual buffer_paint* swap_buffer(buffer_paint* b) { return b; }

  std::uint64_t handle;
  std::uint8_t highlighted = 0;
};

class curve : public entity {
public:
  // Takes ownership of the geometry (a bounded curve or a point entity).
  curve(std::unique_ptr<GcGeEntity2d> geometry, int pen, int linetype, double linetype_scale, std::uint64_t handle);
  int kind() const override { return 1; }
  bool paint(view& v) override;
  extents get_extents(view& v) const override;
  void collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points, std::vector<std::uint32_t>& kinds,
                           std::uint32_t modes, const GcGePoint2d* last) override;
  bool hit_window(view& v, const extents& w) override;
  void collect_intersections(view& v, entity& other, GcGePoint2dArray& points) override;
  buffer_paint* swap_buffer(buffer_paint* b) override;

  const GcGeEntity2d& geometry() const { return *geometry_; }
  const buffer_curve* cache() const { return cache_.get(); }

private:
  // The geometry in drawing units: a transformed copy inside a reference.
  std::unique_ptr<GcGeEntity2d> worldGeometry(view& v) const;
  // Draws the current cache of an element with extents e.
  bool drawCache(view& v, pen_record* pen, const extents& e);

  extents extents_;
  int pen_;
  int linetype_;
  double linetype_scale_;
  std::unique_ptr<GcGeEntity2d> geometry_;
  double length_ = 0.0;
  std::unique_ptr<buffer_curve> cache_;
  bool point_ = false; // a point entity; kept here so painting need not touch the geometry
};

class solid : public entity {
public:
  // Takes ownership of the loops (closed composite curves).
  solid(std::vector<std::unique_ptr<GcGeCurve2d>> loops, int brush, std::uint64_t handle);
  bool paint(view& v) override;
  extents get_extents(view& v) const override;
  void collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points, std::vector<std::uint32_t>& kinds,
                           std::uint32_t modes, const GcGePoint2d* last) override;
  buffer_paint* swap_buffer(buffer_paint* b) override;

private:
  // Window centre on a loop (nearest point inside w) or inside by parity.
  bool covers(view& v, const extents& w) const;

  extents extents_;
  int brush_;
  std::vector<std::unique_ptr<GcGeCurve2d>> loops_;
  std::unique_ptr<buffer_solid> cache_;
};

struct text_style {
  std::uint8_t flag = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strike_out = 0;
  // Glyph widths against the font's own (a drawing's text width factor).
  double width_factor = 1.0;
  // Written backwards and upside down (group 71 bits 2 and 4): the glyphs
  // are drawn mirrored, as CAD programs draw them.
  bool backward = false;
  bool upside_down = false;
};

class atext : public entity {
public:
  atext(const GcGePoint2d& insertion, const GcGeVector2d& direction, std::u16string_view text, double height,
        COLORREF colour, std::uint32_t vertical, std::uint32_t horizontal, std::uint64_t value, text_style style,
        std::uint64_t handle);
  bool paint(view& v) override;
  extents get_extents(view& v) const override;
  buffer_paint* swap_buffer(buffer_paint* b) override { return b; }

  // Replaces the estimated box by one measured with the font of dc at the
  // view's scale.
  void measure(HDC dc, view& v);
  const std::u16string& text() const { return text_; }

  // Width of a text drawn one unit high in the view v with the font of dc's
  // device, in the same unit: what callers that lay out lines of text
  // measure them with.
  static double unit_width(HDC dc, std::u16string_view text, const view& v);

  static constexpr COLORREF highlight_colour = RGB(205, 205, 55);

private:
  // The cell height of the font that draws a text deviceHeight pixels high
  // in the view (at least 1).
  static int fontHeight(const view& v, double deviceHeight);
  // Draws the text through a world transform at the device point `at`,
  // along the unit device directions of its reading and of its up
  // direction, the glyphs widened by the width factor: mirrored glyphs and
  // widened ones, which a font's escapement and width cannot draw exactly.
  bool paintTransformed(HDC dc, int deviceHeight, const GcGePoint2d& at, const GcGeVector2d& reading,
                        const GcGeVector2d& up, const std::wstring& shown, const std::vector<std::size_t>& diameters,
                        COLORREF colour) const;

  extents extents_;
  COLORREF colour_;
  double height_;
  std::uint64_t value_;
  text_style style_;
  std::u16string text_;
  GcGePoint2d insertion_;
  GcGeVector2d direction_;
  std::uint32_t vertical_;
  std::uint32_t horizontal_;
};

class entity_block : public entity {
public:
  entity_block(const GcGePoint2d& base, std::uint64_t key);
  int kind() const override { return 2; }
  bool paint(view& v) override;
  extents get_extents(view& v) const override;
  void collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points, std::vector<std::uint32_t>& kinds,
                           std::uint32_t modes, const GcGePoint2d* last) override;
  bool hit_window(view& v, const extents& w) override;
  void collect_intersections(view& v, entity& other, GcGePoint2dArray& points) override;
  buffer_paint* swap_buffer(buffer_paint* b) override;

  void add(std::unique_ptr<entity> member) { members_.push_back(std::move(member)); }
  const GcGePoint2d& base() const { return base_; }
  std::size_t size() const { return members_.size(); }

private:
  std::vector<std::unique_ptr<entity>> members_;
  GcGePoint2d base_;
  std::unique_ptr<buffer_buffer_paint> caches_;
};

class entity_insert : public entity {
public:
  entity_insert(std::uint64_t key, const GcGePoint2d& position, const GcGeScale2d& scale,
                const GcGeVector2d& direction, std::uint64_t handle);
  bool paint(view& v) override;
  extents get_extents(view& v) const override;
  void collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points, std::vector<std::uint32_t>& kinds,
                           std::uint32_t modes, const GcGePoint2d* last) override;
  buffer_paint* swap_buffer(buffer_paint* b) override;

protected:
  // Base point to the origin, scale, rotate to the direction, move to position.
  GcGeMatrix2d transform(const entity_block& block) const;
  // The block's extents under the insert transform.
  extents blockExtents(view& v, entity_block& block) const;

  std::uint64_t key_;
  GcGePoint2d position_;
  GcGeScale2d scale_;
  GcGeVector2d direction_;
  std::unique_ptr<buffer_buffer_paint> caches_;
};

// A reference whose scale is a size in screen pixels: it keeps its size on
// screen at every zoom and never widens the drawing extents.
class entity_insert_scale_pixels : public entity_insert {
public:
  using entity_insert::entity_insert;
  bool paint(view& v) override;
  extents get_extents(view& v) const override { return {}; }
  void collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points, std::vector<std::uint32_t>& kinds,
                           std::uint32_t modes, const GcGePoint2d* last) override;

private:
  GcGeScale2d saved_;
};

class block_table {
public:
  entity_block* find(std::uint64_t key) const;
  // False (and the block discarded) when the key is taken.
  bool add(std::unique_ptr<entity_block> block);
  void clear() { blocks_.clear(); }
  std::size_t size() const { return blocks_.size(); }

private:
  std::vector<std::unique_ptr<entity_block>> blocks_;
};

} // namespace GDI
