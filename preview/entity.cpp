#include "preview/entity.h"

#include "geom/elliparc2d.h"
#include "geom/mathutils.h"
#include "geom/point_ent2d.h"
#include "preview/text_codes.h"
#include "preview/text_extents.h"
#include "preview/view.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <limits>
#include <vector>

namespace GDI {
namespace {
int g_liveEntities = 0;

// A copy of the geometry mapped by m; circular arcs under a non-similar map
// become elliptical arcs.
std::unique_ptr<GcGeEntity2d> transformedCopy(const GcGeEntity2d& g, const GcGeMatrix2d& m) {
  std::unique_ptr<GcGeEntity2d> copy(g.gcCopy());
  if (copy->transformBy(m))
    return copy;
  if (g.isKindOf(GcGe::kCircArc2d)) {
    auto ell = std::make_unique<GcGeEllipArc2d>(static_cast<const GcGeCircArc2d&>(g));
    if (ell->transformBy(m))
      return ell;
  }
  return copy;
}

extents geometryExtents(const GcGeEntity2d& g) {
  if (g.isKindOf(GcGe::kPointEnt2d)) {
    const GcGePoint2d p = static_cast<const GcGePointEnt2d&>(g).point2d();
    return extents(p, p);
  }
  if (!g.isKindOf(GcGe::kCurve2d))
    return {};
  const auto& c = static_cast<const GcGeCurve2d&>(g);
  if (!c.interval().isBounded())
    return {};
  GcGePoint2d lo, hi;
  c.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
  return extents(lo, hi);
}

extents inBlock(view& v, const extents& e) {
  const GcGeMatrix2d* m = v.block_transform();
  return m ? e.transformed(*m) : e;
}

} // namespace

entity::entity(std::uint64_t h) : handle(h) { ++g_liveEntities; }
entity::~entity() { --g_liveEntities; }
int entity::live_count() { return g_liveEntities; }

// ---------------------------------------------------------------- curve

curve::curve(std::unique_ptr<GcGeEntity2d> geometry, int pen, int linetype, double linetype_scale,
             std::uint64_t h)
    : entity(h), pen_(pen), linetype_(linetype),
      // A scale that is not a positive number draws the pattern as it is.
      linetype_scale_(std::isfinite(linetype_scale) && linetype_scale > 0.0 ? linetype_scale : 1.0),
      geometry_(std::move(geometry)) {
  extents_ = geometryExtents(*geometry_);
  point_ = geometry_->isKindOf(GcGe::kPointEnt2d);
}

extents curve::get_extents(view& v) const { return inBlock(v, extents_); }

std::unique_ptr<GcGeEntity2d> curve::worldGeometry(view& v) const {
  const GcGeMatrix2d* m = v.block_transform();
  return m ? transformedCopy(*geometry_, *m) : std::unique_ptr<GcGeEntity2d>(geometry_->gcCopy());
}

bool curve::paint(view& v) {
  const extents e = get_extents(v);
  if (v.outside(e))
    return false;
  pen_table& pens = v.tables().pens;
  pen_record* pen = v.hit_test() ? nullptr : (v.highlight_pass() ? pens.highlight(pen_) : pens.normal(pen_));
  if (point_) {
    const GcGePoint2d p = v.content_to_device().apply(static_cast<const GcGePointEnt2d&>(*geometry_).point2d());
    if (pen && (v.point_display || handle == no_handle))
      v.add_marker(*pen, snap_intersection, p, v.point_marker_size);
    return true;
  }
  if (!v.hit_test() && !pen)
    return false;
  // A pan inside the regeneration window goes straight to the points.
  if (cache_ && v.cache_current(cache_->tolerance, cache_->regen, cache_->whole, e))
    return drawCache(v, pen, e);
  if (!cache_)
    cache_ = std::make_unique<buffer_curve>();
  regen_context ctx = v.regen_ctx();
  ctx.element = e;
  const linetype* lt = v.tables().linetypes.at(linetype_);
  // The pattern as drawn is scaled, and laid along points in drawing units
  // (inside a reference too): it applies while its scaled elements are not
  // finer than half a pixel of the drawing.
  if (lt && lt->applies(v.pixel_size() / linetype_scale_)) {
    ctx.pattern = lt;
    ctx.pattern_scale = linetype_scale_;
  }
  if (refresh_curve_cache(*cache_, static_cast<const GcGeCurve2d&>(*geometry_), ctx)) {
    ++v.stats().curves_regenerated;
    length_ = 0.0;
  }
  return drawCache(v, pen, e);
}

bool curve::drawCache(view& v, pen_record* pen, const extents& e) {
  v.note_cache_window(cache_->regen, cache_->whole, e);
  v.note_cache_draw(*cache_, pen_);
  return v.paint_cache(*cache_, pen);
}

void curve::collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points,
                                std::vector<std::uint32_t>& kinds, std::uint32_t modes, const GcGePoint2d* last) {
  if (!get_extents(v).overlaps(w)) {
    // An arc's centre lies off the arc, where the arc's extents need not
    // reach: the centres (of a composite curve's arcs too), taken in the
    // geometry's own coordinates and mapped into the drawing, may still be
    // in w. Lines and points, most of a drawing, have none and cost nothing.
    if ((modes & snap_center) && !geometry_->isKindOf(GcGe::kLinearEnt2d) && !geometry_->isKindOf(GcGe::kPointEnt2d)) {
      constexpr double inf = std::numeric_limits<double>::infinity();
      GcGePoint2dArray centres;
      std::vector<std::uint32_t> centreKinds;
      collect_geometry_snap_points(*geometry_, extents(GcGePoint2d(-inf, -inf), GcGePoint2d(inf, inf)), snap_center,
                                   nullptr, centres, centreKinds);
      const GcGeMatrix2d* m = v.block_transform();
      for (GcGePoint2d c : centres) {
        if (m)
          c.transformBy(*m);
        if (w.contains(c)) {
          points.append(c);
          kinds.push_back(snap_center);
        }
      }
    }
    return;
  }
  if (v.block_transform())
    collect_geometry_snap_points(*worldGeometry(v), w, modes, last, points, kinds);
  else
    collect_geometry_snap_points(*geometry_, w, modes, last, points, kinds);
}

bool curve::hit_window(view& v, const extents& w) { return get_extents(v).overlaps(w); }

void curve::collect_intersections(view& v, entity& other, GcGePoint2dArray& points) {
  if (other.kind() != 1)
    return;
  auto& o = static_cast<curve&>(other);
  if (!geometry_->isKindOf(GcGe::kCurve2d) || !o.geometry_->isKindOf(GcGe::kCurve2d))
    return;
  if (!get_extents(v).overlaps(o.get_extents(v)))
    return;
  const double tol = view_tolerance(v.drawing_extents());
  const auto a = worldGeometry(v), b = o.worldGeometry(v);
  collect_curve_intersections(static_cast<const GcGeCurve2d&>(*a), static_cast<const GcGeCurve2d&>(*b), tol, points);
}

buffer_paint* curve::swap_buffer(buffer_paint* b) {
  buffer_paint* old = cache_.release();
  cache_.reset(dynamic_cast<buffer_curve*>(b));
  if (b && !cache_)
    delete b; // not a curve cache: nothing this element can use
  return old;
}

// ---------------------------------------------------------------- solid

solid::solid(std::vector<std::unique_ptr<GcGeCurve2d>> loops, int brush, std::uint64_t h)
    : entity(h), brush_(brush), loops_(std::move(loops)) {
  for (const auto& l : loops_)
    extents_.grow(geometryExtents(*l));
}

extents solid::get_extents(view& v) const { return inBlock(v, extents_); }

bool solid::covers(view& v, const extents& w) const {
  const GcGePoint2d c = w.center();
  const GcGeMatrix2d* m = v.block_transform();
  GcGePoint2dArray ring;
  std::vector<GcGePoint2d> pts;
  std::vector<std::uint32_t> counts;
  for (const auto& loop : loops_) {
    std::unique_ptr<GcGeEntity2d> world = m ? transformedCopy(*loop, *m) : std::unique_ptr<GcGeEntity2d>(loop->gcCopy());
    const auto& wc = static_cast<const GcGeCurve2d&>(*world);
    if (w.contains(wc.closestPointTo(c)))
      return true;
    ring.removeAll();
    wc.getSamplePoints(std::max(v.pixel_size(), 1e-9 * w.diagonal().length()), ring);
    pts.insert(pts.end(), ring.begin(), ring.end());
    counts.push_back(static_cast<std::uint32_t>(ring.length()));
  }
  return inside_rings(c, pts.data(), counts.data(), counts.size());
}

bool solid::paint(view& v) {
  const extents e = get_extents(v);
  if (v.outside(e))
    return false;
  brush_table& brushes = v.tables().brushes;
  brush_record* brush =
      v.hit_test() ? nullptr : (v.highlight_pass() ? brushes.highlight(brush_) : brushes.normal(brush_));
  if (!brush)
    return v.hit_test() && covers(v, v.window());
  if (!cache_)
    cache_ = std::make_unique<buffer_solid>();
  std::vector<GcGeCurve2d*> loops;
  for (const auto& l : loops_)
    loops.push_back(l.get());
  regen_context ctx = v.regen_ctx();
  ctx.element = e;
  if (refresh_solid_cache(*cache_, loops, ctx))
    ++v.stats().curves_regenerated;
  v.note_cache_window(cache_->regen, cache_->whole, e);
  const GcGeMatrix2d& m = v.world_to_device();
  std::vector<GcGePoint2d> ring;
  int first = 0;
  for (std::uint32_t n : cache_->ring_counts) {
    ring.clear();
    for (std::uint32_t i = 0; i < n; ++i)
      ring.push_back(m.apply(cache_->ring_points[first + static_cast<int>(i)]));
    first += static_cast<int>(n);
    brush->batch.add_ring(ring.data(), ring.size());
  }
  return !cache_->ring_counts.empty();
}

void solid::collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points,
                                std::vector<std::uint32_t>& kinds, std::uint32_t modes, const GcGePoint2d* last) {
  if (!(modes & snap_solid))
    return;
  const extents e = get_extents(v);
  if (!e.overlaps(w) || !covers(v, w))
    return;
  points.append(e.center());
  kinds.push_back(snap_solid);
}

buffer_paint* solid::swap_buffer(buffer_paint* b) {
  buffer_paint* old = cache_.release();
  cache_.reset(dynamic_cast<buffer_solid*>(b));
  if (b && !cache_)
    delete b;
  return old;
}

// ---------------------------------------------------------------- atext

atext::atext(const GcGePoint2d& insertion, const GcGeVector2d& direction, std::u16string_view text, double height,
             COLORREF colour, std::uint32_t vertical, std::uint32_t horizontal, std::uint64_t value,
             text_style style, std::uint64_t h)
    : entity(h), colour_(colour), height_(height), value_(value), style_(style), text_(substitute_text(text)),
      insertion_(insertion), direction_(direction), vertical_(vertical), horizontal_(horizontal) {
  if (direction_.length() <= 0.0)
    direction_ = GcGeVector2d::kXAxis;
  else
    direction_ = direction_ / direction_.length();
  if (!(style_.width_factor > 0.0) || !std::isfinite(style_.width_factor))
    style_.width_factor = 1.0;
  const text_axes axes = glyph_axes(direction_, style_.backward, style_.upside_down);
  const double n = static_cast<double>(text_.size()) * style_.width_factor;
  extents_ = text_box(insertion_, axes.along, axes.up, height_, kEstimatedCharWidth * n * height_, n * height_,
                      vertical_, horizontal_);
}

extents atext::get_extents(view& v) const { return inBlock(v, extents_); }

namespace {
HFONT textFont(int height, int width, double deviceAngle, const text_style& style) {
  int tenths = static_cast<int>(std::lround(deviceAngle * 1800.0 / vdgeom::kPi)) % 3600;
  if (tenths < 0)
    tenths += 3600;
  const int escapement = (3600 - tenths) % 3600;
  return CreateFontW(height, width, escapement, escapement, 0, style.italic, style.underline, style.strike_out,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, L"Verdana");
}

// The height of a capital letter of the text font as a share of its cell
// height, measured once (0.6 when it cannot be).
double capShare() {
  static const double share = [] {
    ui::unique_hdc dc(CreateCompatibleDC(nullptr));
    ui::unique_hfont font(textFont(1000, 0, 0.0, text_style{}));
    if (!dc || !font)
      return 0.6;
    ui::select_result selected(dc.get(), font.get());
    const double measured = ui::capitalShare(dc.get());
    return measured > 0.0 ? measured : 0.6;
  }();
  return share;
}
} // namespace

int atext::fontHeight(const view& v, double deviceHeight) {
  if (v.cap_height_texts)
    deviceHeight /= capShare();
  return static_cast<int>(std::lround(std::max(deviceHeight, 1.0)));
}

namespace {
// The text as it prints through a code page 1250 font: characters outside
// the code page become its default character.
std::wstring throughCp1250(const std::u16string& text);

// The text as it prints, with each diameter sign (U+2300, "%%c"), which the
// code page lacks, as a capital O that strokeDiameters crosses out; their
// places in the printed text go to `diameters`.
std::wstring printedText(const std::u16string& text, std::vector<std::size_t>& diameters) {
  std::wstring shown;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(kDiameterSign, from);
    shown += throughCp1250(text.substr(from, at == std::u16string::npos ? std::u16string::npos : at - from));
    if (at == std::u16string::npos)
      return shown;
    diameters.push_back(shown.size());
    shown += L'O';
    from = at + 1;
  }
}

// Crosses out the characters at `diameters` of a text drawn with the DC's
// font and text alignment at `anchor`, its glyphs along the unit device
// direction `reading` with their up direction `up`: a stroke from the
// bottom left of each character's cell to its top right makes a diameter
// sign of the O there.
void strokeDiameters(HDC dc, const std::wstring& shown, const std::vector<std::size_t>& diameters,
                     const GcGePoint2d& anchor, const GcGeVector2d& reading, const GcGeVector2d& up, COLORREF colour) {
  TEXTMETRICW metrics{};
  SIZE whole{};
  if (diameters.empty() || !GetTextMetricsW(dc, &metrics) ||
      !GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &whole))
    return;
  const UINT align = GetTextAlign(dc);
  // Where the alignment puts the start of the baseline, in text units: x
  // along the glyphs, y up.
  double x0 = 0.0, base = 0.0;
  if ((align & TA_CENTER) == TA_CENTER)
    x0 = -whole.cx / 2.0;
  else if ((align & TA_RIGHT) == TA_RIGHT)
    x0 = -whole.cx;
  if ((align & TA_BASELINE) == TA_BASELINE)
    base = 0.0;
  else if ((align & TA_BOTTOM) == TA_BOTTOM)
    base = metrics.tmDescent;
  else
    base = -metrics.tmAscent;
  auto device = [&](double x, double y) {
    const GcGePoint2d p = anchor + reading * x + up * y;
    return POINT{round_device(p.x), round_device(p.y)};
  };
  // The stroke, about as wide as the letter's, reaches a little beyond the
  // O above and below.
  const double cap = metrics.tmHeight * capShare();
  ui::unique_hpen pen(CreatePen(PS_SOLID, std::max(1, static_cast<int>(metrics.tmHeight / 16)), colour));
  if (!pen)
    return;
  ui::select_result selected(dc, pen.get());
  for (const std::size_t k : diameters) {
    SIZE before{}, through{};
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(k), &before);
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(k + 1), &through);
    const double inset = (through.cx - before.cx) * 0.05;
    const POINT from = device(x0 + before.cx + inset, base - cap * 0.06);
    const POINT to = device(x0 + through.cx - inset, base + cap * 1.06);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
  }
}

std::wstring throughCp1250(const std::u16string& text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int n = static_cast<int>(text.size());
  if (n == 0)
    return {};
  // No best fit: a look-alike ("2" for a superscript two) would pass for
  // what was typed, where the default character shows it cannot be printed.
  const int bytes = WideCharToMultiByte(1250, WC_NO_BEST_FIT_CHARS, wide, n, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(1250, WC_NO_BEST_FIT_CHARS, wide, n, narrow.data(), bytes, nullptr, nullptr);
  const int chars = MultiByteToWideChar(1250, 0, narrow.data(), bytes, nullptr, 0);
  std::wstring back(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(1250, 0, narrow.data(), bytes, back.data(), chars);
  return back;
}
} // namespace

bool atext::paint(view& v) {
  if (v.outside(get_extents(v)))
    return false;
  if (v.hit_test())
    return true;
  HDC dc = v.dc();
  if (!dc || !v.painting())
    return false;
  v.note_direct_drawing();
  const GcGeMatrix2d& m = v.content_to_device();
  // The highlight colour only in the highlight pass, as lines take the
  // highlight pen there: painted into the picture beneath, a highlighted
  // text would stay yellow there after it left the set (only the highlight
  // stage is painted again), and the members of a highlighted reference,
  // which carry no flag of their own, would never show it.
  const COLORREF colour = v.highlight_pass() ? highlight_colour : colour_;
  const int deviceHeight = fontHeight(v, height_ * m.scale());
  const text_axes axes = glyph_axes(direction_, style_.backward, style_.upside_down);
  const GcGeVector2d reading = m.apply(axes.along);
  const GcGeVector2d up = m.apply(axes.up * height_);
  GcGePoint2d dpos = m.apply(insertion_);
  UINT align = TA_BASELINE;
  if (vertical_ == 1) {
    align = TA_BOTTOM;
  } else if (v.cap_height_texts && (vertical_ == 2 || vertical_ == 3)) {
    // The height is the capitals': the middle of the capitals, or their
    // top, lies at the insertion point.
    dpos -= up * (vertical_ == 2 ? 0.5 : 1.0);
  } else if (vertical_ == 2 || vertical_ == 3) {
    // Middle alignment: the top of the text half a height above the insertion point.
    if (vertical_ == 2)
      dpos += up * 0.5;
    align = TA_TOP;
  }
  if (horizontal_ == 1 || horizontal_ == 4)
    align |= TA_CENTER;
  else if (horizontal_ == 2)
    align |= TA_RIGHT;
  else
    align |= TA_LEFT;
  std::vector<std::size_t> diameters;
  const std::wstring shown = printedText(text_, diameters);
  ui::text_state keep(dc);
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, align);
  // On a device whose y runs down, glyphs upright on the screen have their
  // up direction counter-clockwise from their reading direction: a negative
  // cross product. A text written backwards or upside down, or placed by a
  // mirroring reference, has it the other way: its glyphs are drawn
  // mirrored, through a world transform, which escapement cannot do. A
  // width factor widens the glyphs through the same transform, exactly
  // (a font's average width is whole pixels).
  if (!(reading.length() > 0.0) || !(up.length() > 0.0))
    return false;
  if (reading.crossProduct(up) > 0.0 || style_.width_factor != 1.0)
    return paintTransformed(dc, deviceHeight, dpos, reading / reading.length(), up / up.length(), shown, diameters,
                            colour);
  // Angle in device coordinates (y down, so clockwise on screen); GDI's
  // escapement counts counter-clockwise, hence 3600 minus it.
  const double angle = std::atan2(reading.y, reading.x);
  ui::unique_hfont font(textFont(deviceHeight, 0, angle, style_));
  if (!font)
    return false;
  ui::select_result selected(dc, font.get());
  const POINT at{round_device(dpos.x), round_device(dpos.y)};
  const bool drawn = TextOutW(dc, at.x, at.y, shown.c_str(), static_cast<int>(shown.size())) != 0;
  strokeDiameters(dc, shown, diameters, GcGePoint2d(at.x, at.y), reading / reading.length(), up / up.length(),
                  colour);
  return drawn;
}

bool atext::paintTransformed(HDC dc, int deviceHeight, const GcGePoint2d& at, const GcGeVector2d& reading,
                             const GcGeVector2d& up, const std::wstring& shown,
                             const std::vector<std::size_t>& diameters, COLORREF colour) const {
  // Logical x runs along the glyphs (a logical unit is the width factor's
  // share of a pixel), logical y (down, as GDI lays glyphs) against their up
  // direction, a pixel to the unit.
  const int mode = SetGraphicsMode(dc, GM_ADVANCED);
  if (mode == 0)
    return false;
  XFORM toDevice{};
  toDevice.eM11 = static_cast<FLOAT>(reading.x * style_.width_factor);
  toDevice.eM12 = static_cast<FLOAT>(reading.y * style_.width_factor);
  toDevice.eM21 = static_cast<FLOAT>(-up.x);
  toDevice.eM22 = static_cast<FLOAT>(-up.y);
  toDevice.eDx = static_cast<FLOAT>(at.x);
  toDevice.eDy = static_cast<FLOAT>(at.y);
  bool drawn = false;
  if (SetWorldTransform(dc, &toDevice)) {
    ui::unique_hfont font(textFont(deviceHeight, 0, 0.0, style_));
    if (font) {
      ui::select_result selected(dc, font.get());
      drawn = TextOutW(dc, 0, 0, shown.c_str(), static_cast<int>(shown.size())) != 0;
      // In logical units the glyphs read along +x and stand up along -y.
      strokeDiameters(dc, shown, diameters, GcGePoint2d(0, 0), GcGeVector2d(1, 0), GcGeVector2d(0, -1), colour);
    }
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  }
  SetGraphicsMode(dc, mode);
  return drawn;
}

void atext::measure(HDC dc, view& v) {
  if (!dc || text_.empty() || !std::isfinite(height_))
    return;
  // Measured at the height it is drawn at; below a pixel at 10 pixels, and
  // before the view has a window (nothing is drawn yet) at 100, then scaled
  // back to drawing units.
  const double scale = v.window().valid ? v.world_to_device().scale() : 0.0;
  double deviceHeight = height_ * scale;
  if (!(deviceHeight >= 1.0))
    deviceHeight = scale > 0.0 ? 10.0 : 100.0;
  ui::unique_hfont font(textFont(fontHeight(v, deviceHeight), 0, 0.0, style_));
  if (!font)
    return;
  ui::select_result selected(dc, font.get());
  std::vector<std::size_t> diameters;
  const std::wstring shown = printedText(text_, diameters);
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size))
    return;
  double width = size.cx;
  ABCFLOAT first{}, last{};
  // Overhangs of the first and last characters widen or narrow the ink.
  if (GetCharABCWidthsFloatW(dc, shown.front(), shown.front(), &first) &&
      GetCharABCWidthsFloatW(dc, shown.back(), shown.back(), &last))
    width -= std::min(0.0f, first.abcfA) + std::min(0.0f, last.abcfC);
  const double units = width * style_.width_factor * height_ / deviceHeight;
  const text_axes axes = glyph_axes(direction_, style_.backward, style_.upside_down);
  extents_ = text_box(insertion_, axes.along, axes.up, height_, units, units, vertical_, horizontal_);
}

double atext::unit_width(HDC dc, std::u16string_view text, const view& v) {
  // Measured large, where the rounding of glyph widths to pixels is lost.
  constexpr int kHeight = 1000;
  if (!dc || text.empty())
    return 0.0;
  ui::unique_hfont font(textFont(kHeight, 0, 0.0, {}));
  if (!font)
    return 0.0;
  ui::select_result selected(dc, font.get());
  std::vector<std::size_t> diameters;
  const std::wstring shown = printedText(std::u16string(text), diameters);
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size))
    return 0.0;
  // Per unit of text height, which is the font's cell or its capitals.
  return static_cast<double>(size.cx) / (v.cap_height_texts ? kHeight * capShare() : kHeight);
}

// ---------------------------------------------------------------- block

entity_block::entity_block(const GcGePoint2d& base, std::uint64_t key) : entity(key), base_(base) {}

bool entity_block::paint(view& v) {
  if (!caches_)
    caches_ = std::make_unique<buffer_buffer_paint>();
  auto& set = caches_->entries;
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (i < set.size())
      set[i] = members_[i]->swap_buffer(set[i]);
    else
      set.push_back(members_[i]->swap_buffer(nullptr));
  }
  // Member caches hold drawing points under the transform of the reference
  // they were made in; they follow the ordinary reuse rule while that
  // transform stays (a pan), and go when it changed (a pixel-scaled
  // reference after a zoom).
  const GcGeMatrix2d* placed = v.block_transform();
  if (!caches_->made_under(placed)) {
    for (auto& m : members_)
      delete m->swap_buffer(nullptr);
    caches_->set_transform(placed);
  }
  bool result = false;
  for (auto& m : members_) {
    result = m->paint(v);
    if (result && v.hit_test())
      break;
  }
  for (std::size_t i = 0; i < members_.size(); ++i)
    set[i] = members_[i]->swap_buffer(set[i]);
  return result;
}

extents entity_block::get_extents(view& v) const {
  extents e;
  for (const auto& m : members_)
    e.grow(m->get_extents(v));
  return e;
}

void entity_block::collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points,
                                       std::vector<std::uint32_t>& kinds, std::uint32_t modes,
                                       const GcGePoint2d* last) {
  for (auto& m : members_)
    m->collect_snap_points(v, w, points, kinds, modes, last);
}

bool entity_block::hit_window(view& v, const extents& w) {
  for (auto& m : members_)
    if (m->hit_window(v, w))
      return true;
  return false;
}

void entity_block::collect_intersections(view& v, entity& other, GcGePoint2dArray& points) {
  if (!get_extents(v).overlaps(other.get_extents(v)))
    return;
  for (auto& m : members_)
    m->collect_intersections(v, other, points);
}

buffer_paint* entity_block::swap_buffer(buffer_paint* b) {
  buffer_paint* old = caches_.release();
  caches_.reset(dynamic_cast<buffer_buffer_paint*>(b));
  if (b && !caches_)
    delete b;
  return old;
}

// ---------------------------------------------------------------- insert

entity_insert::entity_insert(std::uint64_t key, const GcGePoint2d& position, const GcGeScale2d& scale,
                             const GcGeVector2d& direction, std::uint64_t h)
    : entity(h), key_(key), position_(position), scale_(scale), direction_(direction) {
  if (direction_.length() <= 0.0)
    direction_ = GcGeVector2d::kXAxis;
}

GcGeMatrix2d entity_insert::transform(const entity_block& block) const {
  GcGeMatrix2d toOrigin = GcGeMatrix2d::translation(GcGePoint2d::kOrigin - block.base());
  GcGeMatrix2d scaling;
  scaling.setToScaling(scale_);
  const GcGeMatrix2d rotation = GcGeMatrix2d::rotation(direction_.angle());
  const GcGeMatrix2d move = GcGeMatrix2d::translation(position_.asVector());
  return move * rotation * scaling * toOrigin;
}

extents entity_insert::blockExtents(view& v, entity_block& block) const {
  v.push_block(transform(block));
  const extents e = block.get_extents(v);
  v.pop_block();
  return e;
}

bool entity_insert::paint(view& v) {
  entity_block* block = v.tables().blocks.find(key_);
  if (!block || v.outside(blockExtents(v, *block)))
    return false;
  v.push_block(transform(*block));
  buffer_paint* theirs = block->swap_buffer(caches_.release());
  const bool result = block->paint(v);
  v.pop_block();
  caches_.reset(static_cast<buffer_buffer_paint*>(block->swap_buffer(theirs)));
  return result;
}

extents entity_insert::get_extents(view& v) const {
  entity_block* block = v.tables().blocks.find(key_);
  return block ? blockExtents(v, *block) : extents{};
}

void entity_insert::collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points,
                                        std::vector<std::uint32_t>& kinds, std::uint32_t modes,
                                        const GcGePoint2d* last) {
  entity_block* block = v.tables().blocks.find(key_);
  if (!block)
    return;
  v.push_block(transform(*block));
  block->collect_snap_points(v, w, points, kinds, modes, last);
  v.pop_block();
}

buffer_paint* entity_insert::swap_buffer(buffer_paint* b) {
  buffer_paint* old = caches_.release();
  caches_.reset(dynamic_cast<buffer_buffer_paint*>(b));
  if (b && !caches_)
    delete b;
  return old;
}

bool entity_insert_scale_pixels::paint(view& v) {
  saved_ = scale_;
  scale_ *= 2.0 * 0.707106781 * v.content_pixel();
  const bool result = entity_insert::paint(v);
  scale_ = saved_;
  return result;
}

void entity_insert_scale_pixels::collect_snap_points(view& v, const extents& w, GcGePoint2dArray& points,
                                                     std::vector<std::uint32_t>& kinds, std::uint32_t modes,
                                                     const GcGePoint2d* last) {
  saved_ = scale_;
  scale_ *= 2.0 * 0.707106781 * v.content_pixel();
  entity_insert::collect_snap_points(v, w, points, kinds, modes, last);
  scale_ = saved_;
}

// ---------------------------------------------------------------- blocks

entity_block* block_table::find(std::uint64_t key) const {
  for (const auto& b : blocks_)
    if (b->handle == key)
      return b.get();
  return nullptr;
}

bool block_table::add(std::unique_ptr<entity_block> block) {
  if (find(block->handle))
    return false;
  blocks_.push_back(std::move(block));
  return true;
}

} // namespace GDI
