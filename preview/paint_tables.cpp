#include "preview/paint_tables.h"

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
  r.pen.reset(pen);
  r.width = width;
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

void pen_table::flush(HDC dc, COLORREF background, bool one_per_call, paint_statistics& stats) {
  const HGDIOBJ saved = GetCurrentObject(dc, OBJ_PEN);
  bool any = false;
  for (pen_record& r : records_) {
    pen_batch& b = r.batch;
    if (b.empty())
      continue;
    any = true;
    stats.vertices_painted += static_cast<std::uint32_t>(b.points.size() - b.counts.size());
    if (r.cosmetic())
      b.extend_last_points();
    SelectObject(dc, r.pen.get());
    SetBkColor(dc, background);
    const std::uint32_t limit = r.cosmetic() ? cosmetic_pen_limit : geometric_pen_limit;
    const bool single = one_per_call && !r.cosmetic();
    const auto* pts = reinterpret_cast<const POINT*>(b.points.data());
    const auto* counts = reinterpret_cast<const DWORD*>(b.counts.data());
    std::size_t firstPoint = 0;
    std::size_t poly = 0;
    for (const polyline_call& c : plan_polyline_calls(b.counts, limit, single)) {
      for (; poly < c.first; ++poly)
        firstPoint += b.counts[poly];
      BOOL ok;
      if (c.count == 1)
        ok = Polyline(dc, pts + firstPoint, static_cast<int>(b.counts[c.first]));
      else
        ok = PolyPolyline(dc, pts + firstPoint, counts + c.first, static_cast<DWORD>(c.count));
      ++stats.polyline_calls;
      if (!ok)
        ++stats.failed_polyline_calls;
    }
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

void brush_table::flush(HDC dc, COLORREF background, paint_statistics& stats) {
  const HGDIOBJ savedBrush = GetCurrentObject(dc, OBJ_BRUSH);
  const HGDIOBJ savedPen = GetCurrentObject(dc, OBJ_PEN);
  bool any = false;
  for (brush_record& r : records_) {
    brush_batch& b = r.batch;
    if (b.empty())
      continue;
    any = true;
    stats.polygon_vertices_painted += static_cast<std::uint32_t>(b.points.size() - b.counts.size());
    SelectObject(dc, r.brush.get());
    SelectObject(dc, GetStockObject(NULL_PEN));
    SetBkColor(dc, background);
    const auto* pts = reinterpret_cast<const POINT*>(b.points.data());
    std::size_t first = 0;
    for (std::uint32_t n : b.counts) {
      ++stats.polygon_calls;
      if (!Polygon(dc, pts + first, static_cast<int>(n)))
        ++stats.failed_polygon_calls;
      first += n;
    }
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

} // namespace GDI
