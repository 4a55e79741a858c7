#pragma once
// Pens and brushes of a view, cached by colour and width, each with a batch of
// device points that is flushed with few Polyline/PolyPolyline/Polygon calls.
// Shared by a view and its paint stages.
#include <windows.h>

#include "preview/batch.h"
#include "ui/gdi.h"

#include <cstdint>
#include <vector>

namespace GDI {

struct paint_statistics {
  std::uint32_t vertices_painted = 0;
  std::uint32_t polygon_vertices_painted = 0;
  std::uint32_t vertices_processed = 0;
  std::uint32_t curves_regenerated = 0;
  std::uint32_t failed_polyline_calls = 0;
  std::uint32_t failed_polygon_calls = 0;
  std::uint32_t polyline_calls = 0; // GDI drawing calls made for pens
  std::uint32_t polygon_calls = 0;
  std::uint32_t flushes = 0;        // batches flushed
  std::uint32_t lists_replayed = 0; // lists drawn from their kept device points
  std::uint32_t lists_redrawn = 0;  // lists drawn from their kept draws, the elements not visited

  void add(const paint_statistics& o);
};

// Points a cosmetic (width 0 or 1) and a geometric pen draw per GDI call.
inline constexpr std::uint32_t cosmetic_pen_limit = 16384;
inline constexpr std::uint32_t geometric_pen_limit = 1360;
// A pen batch this large is flushed while a list is painted.
inline constexpr std::uint32_t batch_flush_points = 4 * cosmetic_pen_limit;

// What the flushes of a list paint drew, call by call, in device points
// (cosmetic polylines already extended): kept so that the same picture can be
// drawn again, moved by whole pixels, without walking the list.
struct retained_batches {
  struct call {
    bool polygons = false; // a brush's rings, else a pen's polylines
    int record = -1;       // index in the pen or brush table
    std::size_t first_point = 0, first_count = 0, count = 0;
  };
  std::vector<call> calls;
  plain_buffer<device_point> points;
  plain_buffer<std::uint32_t> counts;

  void clear() { calls.clear(); points.clear(); counts.clear(); }
  bool empty() const { return calls.empty(); }
  // Appends one batch as a call.
  void keep(bool polygons, int record, const plain_buffer<device_point>& pts, const plain_buffer<std::uint32_t>& cnt);
  // The polylines and rings whose box, widened by margin pixels, reaches
  // into one of the n rectangles, as calls of their own.
  retained_batches touching(const RECT* rects, int n, int margin) const;
  // Moves every kept point by (dx, dy) pixels.
  void shift(std::int32_t dx, std::int32_t dy);
};

struct pen_record {
  ui::unique_hpen pen;
  std::uint32_t width = 1;
  COLORREF colour = 0;
  pen_batch batch;
  int highlight = -1;
  int thin = -1;

  bool cosmetic() const { return width <= 1; }
};

class pen_table {
public:
  // Highlight flags: highlight pens are dotted (width 0) / use the override
  // colour / are widened by the extra width.
  static constexpr std::uint32_t highlight_thin = 1, highlight_override_colour = 2, highlight_widen = 4;

  // Index of the pen for (colour, width), made with its highlight and thin
  // pens when missing; -1 when GDI cannot make it.
  int index(COLORREF colour, std::uint32_t width);
  pen_record* normal(int index);
  pen_record* highlight(int index);
  int size() const { return static_cast<int>(records_.size()); }
  const pen_record& record(int i) const { return records_[static_cast<std::size_t>(i)]; }
  void clear() { records_.clear(); }

  // Draws every pending batch into dc and empties it. one_per_call: geometric
  // pens draw one polyline per call. With keep, each batch drawn is also
  // appended to it.
  void flush(HDC dc, COLORREF background, bool one_per_call, paint_statistics& stats,
             retained_batches* keep = nullptr);
  void discard();
  // Points waiting in the largest batch.
  std::size_t pending_points() const {
    std::size_t n = 0;
    for (const pen_record& r : records_)
      n = r.batch.points.size() > n ? r.batch.points.size() : n;
    return n;
  }

  std::uint32_t flags = highlight_thin;
  COLORREF override_colour = RGB(205, 205, 55);
  std::uint32_t extra_width = 2;
  bool direct = true;

private:
  int findOrMake(COLORREF colour, std::uint32_t width, int highlight, int thin);
  std::vector<pen_record> records_;
};

struct brush_record {
  ui::unique_hbrush brush;
  bool hatched = false;
  COLORREF colour = 0;
  brush_batch batch;
  int highlight = -1;
};

class brush_table {
public:
  // Index of the solid brush of the colour (its highlight is the hatched
  // brush of the same colour); -1 on failure.
  int index(COLORREF colour);
  brush_record* normal(int index);
  brush_record* highlight(int index);
  int size() const { return static_cast<int>(records_.size()); }
  const brush_record& record(int i) const { return records_[static_cast<std::size_t>(i)]; }
  void clear() { records_.clear(); }

  // Fills every pending ring without outline (null pen) and empties the
  // batches; with keep, each batch filled is also appended to it.
  void flush(HDC dc, COLORREF background, paint_statistics& stats, retained_batches* keep = nullptr);
  void discard();

private:
  int findOrMake(COLORREF colour, bool hatched, int highlight);
  std::vector<brush_record> records_;
};

// Draws kept calls again with the pens and brushes they were drawn with;
// calls whose record no longer exists are skipped. Returns the calls drawn.
std::size_t replay_batches(HDC dc, COLORREF background, bool one_per_call, const retained_batches& kept,
                           pen_table& pens, brush_table& brushes, paint_statistics& stats);

} // namespace GDI
