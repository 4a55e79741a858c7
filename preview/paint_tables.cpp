#include "preview/paint_tables.h"

#include <algorithm>

namespace GDI {

void paint_statistics::add(const paint_statistics& o) {
  vertices_painted += o.vertices_painted;
  polygon_vertices_painted += o.polygon_vertices_painted;
  vertices_processed += o.vertices_processed;
  curves_regenerated += o.curves_regenerated;
  failed_polyline_calls += o.failed_polyline_calls;
  failed_polygon_calls += o.failed_polygon_calls;
  polyline_calls += o.polyline_calls;
  polygon_calls += o.polygon_calls;
  flushes += o.flushes;
  lists_replayed += o.lists_replayed;
  lists_redrawn += o.lists_redrawn;
}

namespace {
HPEN makePen(COLORREF colour, std::uint32_t width) {
  if (width == 0)
    return CreatePen(PS_DOT, 0, colour);
  if (width == 1)
    return CreatePen(PS_SOLID, 0, colour);
  LOGBRUSH lb{BS_SOLID, colour, 0};
  return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, width, &lb, 0, nullptr);
}
} // namespace

int pen_table::findOrMake(COLORREF colour, std::uint32_t width, int highlight, int thin) {
  for (std::size_t i = 0; i < records_.size(); ++i)
    if (records_[i].colour == colour && records_[i].width == width)
      return static_cast<int>(i);
  HPEN pen = makePen(colour, width);
  if (!pen)
    return -1;
  pen_record r;
  // Room for a first batch of ordinary size, so that painting a list does
  // not move a growing point buffer from one heap block to the next.
  r.batch.points.reserve(4096);
  r.batch.counts.reserve(256);
  r.pen.reset(pen);
  r.width = width;
  r.batch.cosmetic = r.cosmetic();
  r.colour = colour;
  r.highlight = highlight;
  r.thin = thin;
  records_.push_back(std::move(r));
  return size() - 1;
}

int pen_table::index(COLORREF colour, std::uint32_t width) {
  if (width < 1)
    width = 1;
  const COLORREF hiColour = (flags & highlight_override_colour) ? override_colour : colour;
  const std::uint32_t hiWidth =
      (flags & highlight_widen) ? extra_width + width : ((flags & highlight_thin) ? 0 : width);
  const int hi = findOrMake(hiColour, hiWidth, -1, -1);
  const int thin = findOrMake(colour, 1, hi, -1);
  if (thin < 0 || width < 2)
    return thin;
  const int wide = findOrMake(colour, width, hi, thin);
  return wide >= 0 ? wide : thin;
}

pen_record* pen_table::normal(int index) {
  if (index < 0 || index >= size())
    return nullptr;
  pen_record* r = &records_[static_cast<std::size_t>(index)];
  if (!direct && r->thin >= 0)
    r = &records_[static_cast<std::size_t>(r->thin)];
  return r;
}

pen_record* pen_table::highlight(int index) {
  pen_record* r = normal(index);
  if (!r || r->highlight < 0)
    return r;
  return &records_[static_cast<std::size_t>(r->highlight)];
}

void retained_batches::keep(bool polygons, int record, const plain_buffer<device_point>& pts,
                            const plain_buffer<std::uint32_t>& cnt) {
  calls.push_back({polygons, record, points.size(), counts.size(), cnt.size()});
  points.append(pts.data(), pts.size());
  counts.append(cnt.data(), cnt.size());
}

retained_batches retained_batches::touching(const RECT* rects, int n, int margin) const {
  retained_batches out;
  const device_point* pts = points.data();
  for (const call& c : calls) {
    const std::uint32_t* cnt = counts.data() + c.first_count;
    call part{c.polygons, c.record, out.points.size(), out.counts.size(), 0};
    for (std::size_t k = 0; k < c.count; ++k) {
      const std::uint32_t m = cnt[k];
      // One pass for the box: this runs over every kept point on each pan.
      std::int32_t x0 = pts[0].x, x1 = x0, y0 = pts[0].y, y1 = y0;
      for (std::uint32_t j = 1; j < m; ++j) {
        x0 = std::min(x0, pts[j].x);
        x1 = std::max(x1, pts[j].x);
        y0 = std::min(y0, pts[j].y);
        y1 = std::max(y1, pts[j].y);
      }
      bool hit = false;
      for (int i = 0; i < n && !hit; ++i)
        hit = x1 + margin >= rects[i].left && x0 - margin < rects[i].right && y1 + margin >= rects[i].top &&
              y0 - margin < rects[i].bottom;
      if (hit) {
        out.points.append(pts, m);
        out.counts.push_back(m);
        ++part.count;
      }
      pts += m;
    }
    if (part.count)
      out.calls.push_back(part);
  }
  return out;
}

void retained_batches::shift(std::int32_t dx, std::int32_t dy) {
  if (dx == 0 && dy == 0)
    return;
  for (device_point& p : points) {
    p.x += dx;
    p.y += dy;
  }
}

namespace {

// Polylines of one pen (already selected) in calls of at most the pen's limit.
void drawPolylines(HDC dc, const pen_record& r, bool one_per_call, const device_point* points,
                   const std::uint32_t* counts, std::size_t n, paint_statistics& stats) {
  std::uint32_t total = 0;
  for (std::size_t i = 0; i < n; ++i)
    total += counts[i];
  stats.vertices_painted += static_cast<std::uint32_t>(total - n);
  const std::uint32_t limit = r.cosmetic() ? cosmetic_pen_limit : geometric_pen_limit;
  const bool single = one_per_call && !r.cosmetic();
  const auto* pts = reinterpret_cast<const POINT*>(points);
  const auto* dwCounts = reinterpret_cast<const DWORD*>(counts);
  std::size_t firstPoint = 0;
  std::size_t poly = 0;
  for (const polyline_call& c : plan_polyline_calls(counts, n, limit, single)) {
    for (; poly < c.first; ++poly)
      firstPoint += counts[poly];
    BOOL ok;
    if (c.count == 1)
      ok = Polyline(dc, pts + firstPoint, static_cast<int>(counts[c.first]));
    else
      ok = PolyPolyline(dc, pts + firstPoint, dwCounts + c.first, static_cast<DWORD>(c.count));
    ++stats.polyline_calls;
    if (!ok)
      ++stats.failed_polyline_calls;
  }
}

// Rings of one brush (already selected, with the null pen), one Polygon each.
void drawPolygons(HDC dc, const device_point* points, const std::uint32_t* counts, std::size_t n,
                  paint_statistics& stats) {
  const auto* pts = reinterpret_cast<const POINT*>(points);
  std::size_t first = 0;
  for (std::size_t i = 0; i < n; ++i) {
    stats.polygon_vertices_painted += counts[i] - 1;
    ++stats.polygon_calls;
    if (!Polygon(dc, pts + first, static_cast<int>(counts[i])))
      ++stats.failed_polygon_calls;
    first += counts[i];
  }
}

} // namespace

void pen_table::flush(HDC dc, COLORREF background, bool one_per_call, paint_statistics& stats,
                      retained_batches* keep) {
  const HGDIOBJ saved = GetCurrentObject(dc, OBJ_PEN);
  bool any = false;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    pen_record& r = records_[i];
    pen_batch& b = r.batch;
    if (b.empty())
      continue;
    any = true;
    if (r.cosmetic())
      b.extend_last_points();
    SelectObject(dc, r.pen.get());
    SetBkColor(dc, background);
    drawPolylines(dc, r, one_per_call, b.points.data(), b.counts.data(), b.counts.size(), stats);
    if (keep)
      keep->keep(false, static_cast<int>(i), b.points, b.counts);
    b.clear();
  }
  if (any) {
    SelectObject(dc, saved);
    ++stats.flushes;
  }
}

void pen_table::discard() {
  for (pen_record& r : records_)
    r.batch.clear();
}

int brush_table::findOrMake(COLORREF colour, bool hatched, int highlight) {
  for (std::size_t i = 0; i < records_.size(); ++i)
    if (records_[i].colour == colour && records_[i].hatched == hatched)
      return static_cast<int>(i);
  HBRUSH brush = nullptr;
  if (hatched) {
    LOGBRUSH lb{BS_HATCHED, colour, HS_DIAGCROSS};
    brush = CreateBrushIndirect(&lb);
  } else {
    brush = CreateSolidBrush(colour);
  }
  if (!brush)
    return -1;
  brush_record r;
  r.brush.reset(brush);
  r.hatched = hatched;
  r.colour = colour;
  r.highlight = highlight;
  records_.push_back(std::move(r));
  return size() - 1;
}

int brush_table::index(COLORREF colour) {
  const int hatched = findOrMake(colour, true, -1);
  return findOrMake(colour, false, hatched);
}

brush_record* brush_table::normal(int index) {
  return index >= 0 && index < size() ? &records_[static_cast<std::size_t>(index)] : nullptr;
}

brush_record* brush_table::highlight(int index) {
  brush_record* r = normal(index);
  if (!r || r->highlight < 0)
    return r;
  return &records_[static_cast<std::size_t>(r->highlight)];
}

void brush_table::flush(HDC dc, COLORREF background, paint_statistics& stats, retained_batches* keep) {
  const HGDIOBJ savedBrush = GetCurrentObject(dc, OBJ_BRUSH);
  const HGDIOBJ savedPen = GetCurrentObject(dc, OBJ_PEN);
  bool any = false;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    brush_record& r = records_[i];
    brush_batch& b = r.batch;
    if (b.empty())
      continue;
    any = true;
    SelectObject(dc, r.brush.get());
    SelectObject(dc, GetStockObject(NULL_PEN));
    SetBkColor(dc, background);
    drawPolygons(dc, b.points.data(), b.counts.data(), b.counts.size(), stats);
    if (keep)
      keep->keep(true, static_cast<int>(i), b.points, b.counts);
    b.clear();
  }
  if (any) {
    SelectObject(dc, savedPen);
    SelectObject(dc, savedBrush);
    ++stats.flushes;
  }
}

void brush_table::discard() {
  for (brush_record& r : records_)
    r.batch.clear();
}

std::size_t replay_batches(HDC dc, COLORREF background, bool one_per_call, const retained_batches& kept,
                           pen_table& pens, brush_table& brushes, paint_statistics& stats) {
  if (kept.empty())
    return 0;
  const HGDIOBJ savedBrush = GetCurrentObject(dc, OBJ_BRUSH);
  const HGDIOBJ savedPen = GetCurrentObject(dc, OBJ_PEN);
  SetBkColor(dc, background);
  std::size_t drawn = 0;
  for (const retained_batches::call& c : kept.calls) {
    const device_point* pts = kept.points.data() + c.first_point;
    const std::uint32_t* counts = kept.counts.data() + c.first_count;
    if (c.polygons) {
      if (c.record < 0 || c.record >= brushes.size())
        continue;
      SelectObject(dc, brushes.record(c.record).brush.get());
      SelectObject(dc, GetStockObject(NULL_PEN));
      drawPolygons(dc, pts, counts, c.count, stats);
    } else {
      if (c.record < 0 || c.record >= pens.size())
        continue;
      const pen_record& r = pens.record(c.record);
      SelectObject(dc, r.pen.get());
      drawPolylines(dc, r, one_per_call, pts, counts, c.count, stats);
    }
    ++drawn;
  }
  SelectObject(dc, savedPen);
  SelectObject(dc, savedBrush);
  ++stats.flushes;
  return drawn;
}

} // namespace GDI
