#include "preview/view.h"

#include "geom/tol.h"
#include "preview/prefetch.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace GDI {

std::uint64_t now_us() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<std::uint64_t>(c.QuadPart / frequency * 1000000 + c.QuadPart % frequency * 1000000 / frequency);
}

namespace {

class performance_counter_clock final : public view_clock {
public:
  std::uint64_t now_us(std::uint32_t) override { return GDI::now_us(); }
};

} // namespace

view_clock& performance_clock() {
  static performance_counter_clock c;
  return c;
}

namespace {

// Back buffers of stage views that are gone, kept for the next stage that
// needs one: making a screen-sized bitmap and touching its fresh memory costs
// about as much as painting ten thousand curves into it, and preview windows
// come and go with their dialogs. Two are kept at most, the largest ones.
bool g_shelfGone = false; // set when the shelf is destroyed at exit

class surface_shelf {
public:
  ~surface_shelf() { g_shelfGone = true; }

  // The smallest kept bitmap that holds w x h without being more than twice
  // as large, moved into out.
  bool take(int w, int h, ui::memory_surface& out) {
    const long long need = static_cast<long long>(w) * h;
    auto best = kept_.end();
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
      if (it->width() >= w && it->height() >= h && area(*it) <= 2 * need && (best == kept_.end() || area(*it) < area(*best)))
        best = it;
    if (best == kept_.end())
      return false;
    out = std::move(*best);
    kept_.erase(best);
    return true;
  }
  void put(ui::memory_surface&& s) {
    if (!s)
      return;
    kept_.push_back(std::move(s));
    if (kept_.size() > kKeep)
      kept_.erase(std::min_element(kept_.begin(), kept_.end(),
                                   [](const auto& a, const auto& b) { return area(a) < area(b); }));
  }
  void clear() { kept_.clear(); }
  std::size_t size() const { return kept_.size(); }

private:
  static long long area(const ui::memory_surface& s) { return static_cast<long long>(s.width()) * s.height(); }
  static constexpr std::size_t kKeep = 2;
  std::vector<ui::memory_surface> kept_;
};

surface_shelf& shelf() {
  static surface_shelf s;
  return s;
}

} // namespace

void release_back_buffers() {
  if (!g_shelfGone)
    shelf().clear();
}

std::size_t kept_back_buffers() { return g_shelfGone ? 0 : shelf().size(); }

view::view(view_clock& clock) : clock_(&clock), tables_(std::make_shared<shared_tables>()) { reset_snap(); }

view::~view() {
  clear(false);
  // A stage's bitmap goes on the shelf for the next stage that needs one.
  if ((paint_flags_ & paint_keep_bitmap) && surface_ && !g_shelfGone)
    shelf().put(std::move(surface_));
}

bool view::bind_dc(HDC dc) {
  if (paint_flags_ & paint_keep_bitmap)
    return false;
  dc_ = dc;
  saved_dc_.saved = false;
  if (!dc)
    return true;
  if (GetDeviceCaps(dc, NUMBRUSHES) != 0)
    driver_options |= 1;
  else
    driver_options &= ~1u;
  saved_dc_.pen = SelectObject(dc, GetStockObject(WHITE_PEN));
  SelectObject(dc, saved_dc_.pen);
  saved_dc_.brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, saved_dc_.brush);
  saved_dc_.background = GetBkColor(dc);
  saved_dc_.fill_mode = GetPolyFillMode(dc);
  SetPolyFillMode(dc, ALTERNATE);
  saved_dc_.saved = true;
  return true;
}

bool view::set_window(const extents* world, const extents* device) {
  extents w = world && world->valid && !(world->min.x == world->max.x && world->min.y == world->max.y) ? *world
                                                                                                          : window_;
  const extents d = device && device->valid ? *device : device_;
  // A device rectangle is kept even while there is no world window yet, so
  // that a later zoom to the extents has something to fit into.
  if (d.valid && d.width() > 0.0 && d.height() > 0.0)
    device_ = d;
  if (!w.valid || !d.valid || d.width() <= 0.0 || d.height() <= 0.0)
    return false;
  report_limit(limit_window(w, drawing_));
  apply_window(w, d);
  return true;
}

void view::report_limit(window_limit limit) {
  switch (limit) {
  case window_limit::too_small: add_message(msg_info, 2, "EXTENTS: too small - set to minimum"); break;
  case window_limit::too_large: add_message(msg_info, 2, "EXTENTS: too large - set to maximum"); break;
  case window_limit::none: break;
  }
}

void view::apply_window(const extents& world, const extents& device) {
  window_ = world;
  device_ = device;
  restage(stage_restart);
  const view_transform t = make_view_transform(window_, device_, factor_, band_low_, band_high_);
  to_device_ = t.to_device;
  to_world_ = t.to_world;
  pixel_ = t.pixel;
  regen_ = t.regen;
  boundary_ = clip_region(regen_);
  update_clip_box();
  frames_.clear();
  reset_snap();
}

bool view::fit_window(const extents* world, const extents* device) {
  extents w = world && world->valid ? *world : window_;
  const extents d = device && device->valid ? *device : device_;
  if (world && world->valid)
    requested_ = *world;
  if (!w.valid && d.valid && d.width() > 0.0 && d.height() > 0.0)
    device_ = d;
  if (!fit_aspect(w, d))
    return false;
  return set_window(&w, &d);
}

bool view::zoom(double f) {
  if (!window_.valid)
    return false;
  const extents w = window_.zoomed(f);
  return fit_window(&w, nullptr);
}

bool view::zoom_at(double f, double device_x, double device_y) {
  if (!window_.valid || !device_.valid || device_.width() <= 0.0 || device_.height() <= 0.0)
    return false;
  const GcGePoint2d under = to_world_.apply(GcGePoint2d(device_x * factor_, device_y * factor_));
  // The new window's size is settled first (the device's aspect, then the
  // limits, reported once), then it is placed so that the point under the
  // cursor stays under it: one window change, one restart of the picture.
  extents w = window_.zoomed(f);
  if (!fit_aspect(w, device_))
    return false;
  report_limit(limit_window(w, drawing_));
  const double u = (under.x - window_.min.x) / window_.width();
  const double v = (under.y - window_.min.y) / window_.height();
  const GcGePoint2d min(under.x - u * w.width(), under.y - v * w.height());
  apply_window(extents(min, min + w.diagonal()), device_);
  return true;
}

bool view::zoom_extents(double margin) {
  extents e;
  for (const element_list* list : {&list1_, &list2_})
    for (const auto& el : *list)
      e.grow(el->get_extents(*this));
  if (!e.valid)
    return false;
  const extents before = window_;
  const extents w = e.zoomed(margin);
  if (!fit_window(&w, nullptr))
    return false;
  return !(before.valid && before.min == window_.min && before.max == window_.max);
}

bool view::pan(double device_dx, double device_dy) {
  if (!window_.valid)
    return false;
  const GcGeVector2d shift = -to_world_.apply(GcGeVector2d(device_dx * factor_, device_dy * factor_));
  const extents w(window_.min + shift, window_.max + shift);
  return set_window(&w, nullptr);
}

regen_context view::regen_ctx() const {
  regen_context c;
  c.pixel = content_pixel();
  c.band_low = band_low_;
  c.band_high = band_high_;
  c.visible = window_;
  c.regen = regen_;
  c.boundary = frames_.empty() ? &boundary_ : &frames_.back().boundary;
  c.block = block_transform();
  c.no_clip = no_clip != 0;
  return c;
}

void view::push_block(const GcGeMatrix2d& insert) {
  block_frame f;
  f.block = frames_.empty() ? insert : frames_.back().block * insert;
  f.device = to_device_ * f.block;
  f.boundary = boundary_.transformed(f.block.inverse());
  const double s = f.block.scale();
  f.pixel = s > 0.0 ? pixel_ / s : pixel_;
  frames_.push_back(std::move(f));
}

extents view::device_box() const {
  if (!hit_test())
    return clip_box_;
  if (!device_.valid)
    return {};
  return extents(GcGePoint2d(device_.min.x * factor_, device_.min.y * factor_),
                 GcGePoint2d(device_.max.x * factor_, device_.max.y * factor_));
}

void view::update_clip_box() {
  // Points are clipped to the regeneration window, not to the bitmap: GDI
  // clips what reaches beyond the bitmap, so the pixels of a segment depend
  // only on its rounded end points and never on where the window cuts it.
  // A picture painted at one window and moved by a pan is then pixel for
  // pixel the one a paint at the new window draws, and highlights fall on
  // the pixels of what they highlight.
  clip_box_ = regen_.valid ? regen_.transformed(to_device_) : extents();
}

bool view::maps_inside(double x0, double y0, double x1, double y1) const {
  // A view's matrix never turns (its off-diagonal entries are zero), so each
  // device coordinate grows or falls with one drawing coordinate, and the
  // images of the box's corners, computed as every point's is, bound the
  // images of all points in it: these two tests stand for the box test the
  // clipping path makes on each point.
  const GcGeMatrix2d& m = to_device_;
  if (m.entry[0][1] != 0.0 || m.entry[1][0] != 0.0)
    return false;
  const double a = m.entry[0][0], b = m.entry[0][1], c = m.entry[0][2];
  const double d = m.entry[1][0], e = m.entry[1][1], f = m.entry[1][2];
  const extents& box = clip_box_;
  const double u0 = a * x0 + b * y0 + c, v0 = d * x0 + e * y0 + f;
  const double u1 = a * x1 + b * y1 + c, v1 = d * x1 + e * y1 + f;
  return u0 >= box.min.x && u0 <= box.max.x && v0 >= box.min.y && v0 <= box.max.y && u1 >= box.min.x &&
         u1 <= box.max.x && v1 >= box.min.y && v1 <= box.max.y;
}

bool view::draw_cache(const buffer_curve& cache, pen_record* pen, bool clip, bool pairs) {
  const GcGePoint2d* pts = pairs ? cache.dashes.asArrayPtr() : cache.points.asArrayPtr();
  const std::uint32_t* ends = pairs ? nullptr : cache.ends.begin();
  const std::size_t n = pairs ? static_cast<std::size_t>(cache.dashes.length()) : cache.ends.size();
  const GcGeMatrix2d& m = to_device_;
  if (pen && !clip && ends) {
    // Painting points inside the box: each polyline goes to the batch whole.
    std::uint32_t first = 0;
    bool any = false;
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint32_t end = ends[k];
      if (end > first + 1) {
        stats_.vertices_processed += end - first - 1;
        pen->batch.add_polyline(pts + first, end - first, m);
        any = true;
      }
      first = end;
    }
    return any;
  }
  const extents box = device_box();
  bool any = false;
  // One segment in device coordinates; true ends the walk (hit test).
  auto segment = [&](GcGePoint2d p, GcGePoint2d q, bool bothInside) {
    ++stats_.vertices_processed;
    if (clip && !bothInside && !clip_segment(p, q, box))
      return false;
    any = true;
    if (!pen)
      return true; // hit test: the first surviving segment decides
    pen->batch.add_segment(p, q);
    return false;
  };
  if (!ends) {
    for (std::size_t i = 0; i + 1 < n; i += 2) {
      const GcGePoint2d p = m.apply(pts[i]), q = m.apply(pts[i + 1]);
      if (segment(p, q, box.contains(p) && box.contains(q)))
        return true;
    }
    return any;
  }
  if (pen && box.valid) {
    // Painting: the points are transformed and tested in one pass with the
    // matrix and the box held in locals; runs of points inside the box go to
    // the batch as they are, and only segments that leave it are clipped.
    const double a = m.entry[0][0], b = m.entry[0][1], c = m.entry[0][2];
    const double d = m.entry[1][0], e = m.entry[1][1], f = m.entry[1][2];
    const double x0 = box.min.x, x1 = box.max.x, y0 = box.min.y, y1 = box.max.y;
    pen_batch& batch = pen->batch;
    std::uint32_t first = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint32_t end = ends[k];
      if (end > first + 1) {
        stats_.vertices_processed += end - first - 1;
        GcGePoint2d prev(a * pts[first].x + b * pts[first].y + c, d * pts[first].x + e * pts[first].y + f);
        bool prevIn = prev.x >= x0 && prev.x <= x1 && prev.y >= y0 && prev.y <= y1;
        for (std::uint32_t i = first + 1; i < end; ++i) {
          const GcGePoint2d cur(a * pts[i].x + b * pts[i].y + c, d * pts[i].x + e * pts[i].y + f);
          const bool curIn = cur.x >= x0 && cur.x <= x1 && cur.y >= y0 && cur.y <= y1;
          if (!clip || (prevIn && curIn)) {
            any = true;
            batch.add_segment(prev, cur);
          } else {
            GcGePoint2d p = prev, q = cur;
            if (clip_segment(p, q, box)) {
              any = true;
              batch.add_segment(p, q);
            }
          }
          prev = cur;
          prevIn = curIn;
        }
      }
      first = end;
    }
    return any;
  }
  // Each point is transformed once and shared by the two segments it joins.
  std::uint32_t first = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t end = ends[k];
    if (end > first) {
      GcGePoint2d prev = m.apply(pts[first]);
      bool prevIn = box.contains(prev);
      for (std::uint32_t i = first + 1; i < end; ++i) {
        const GcGePoint2d cur = m.apply(pts[i]);
        const bool curIn = box.contains(cur);
        if (segment(prev, cur, prevIn && curIn))
          return true;
        prev = cur;
        prevIn = curIn;
      }
    }
    first = end;
  }
  return any;
}

void view::add_marker(pen_record& pen, std::uint32_t kind, const GcGePoint2d& c, double size) {
  const std::vector<GcGePoint2d> segs = snap_marker_segments(kind);
  for (std::size_t i = 0; i + 1 < segs.size(); i += 2)
    pen.batch.add_segment(c + segs[i].asVector() * size, c + segs[i + 1].asVector() * size);
}

void view::add_message(std::uint32_t level, std::uint32_t lifetime_s, const char* format, ...) {
  if (!(message_mask & level))
    return;
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  // A message that is still shown is not stacked again (rolling the wheel at
  // the smallest window would fill the picture with one line): it moves to
  // the bottom and lives on from now.
  std::erase_if(messages_, [&buffer](const view_message& m) { return m.text == buffer; });
  messages_.push_back(view_message{clock_->now_us(0), 1, lifetime_s, buffer});
}

void view::reset_snap() {
  // A marker on the picture must go: the snap stage is painted again.
  if (snap_index_ < snap_results_.size())
    restage(stage_snap);
  snap_results_.clear();
  snap_index_ = ~0u;
  rubber_line_ = 0;
}

void view::clear(bool tables) {
  ++content_version_;
  kept_ = kept_picture{};
  list1_.clear();
  list2_.clear();
  highlighted_.clear();
  reset_snap();
  if (tables) {
    tables_->pens.clear();
    tables_->brushes.clear();
    tables_->blocks.clear();
  }
  for (auto& s : stages_)
    s.reset();
  own_[1] = own_[2] = own_[3] = false;
  drawing_ = extents();
  stage_flags_ = stage_initial;
  progress_[0] = progress_[1] = progress_[2] = 0;
  stats_ = paint_statistics{};
}

// ---------------------------------------------------------------- stages

view& view::stage(int i) {
  if (!stages_[i]) {
    stages_[i] = std::make_unique<view>(*clock_);
    stages_[i]->factor_ = stage_factor_;
    stages_[i]->paint_flags_ |= paint_keep_bitmap;
  }
  return *stages_[i];
}

void view::share_paint_context(view& into) const {
  into.tables_ = tables_;
  into.palette_ = palette_;
  into.drawing_ = drawing_;
  into.pixel_ = pixel_;
  into.regen_ = regen_;
  into.boundary_ = boundary_;
  into.no_clip = no_clip;
  into.cap_height_texts = cap_height_texts;
}

void view::copy_state_to(view& s) const {
  // The stage's bitmap starts at the origin: shift the device rectangle there.
  const GcGeVector2d origin = device_.min.asVector();
  s.device_ = extents(GcGePoint2d::kOrigin, device_.max - origin);
  s.window_ = window_;
  s.requested_ = requested_;
  s.band_low_ = band_low_;
  s.band_high_ = band_high_;
  const view_transform t = make_view_transform(s.window_, s.device_, s.factor_, band_low_, band_high_);
  s.to_device_ = t.to_device;
  s.to_world_ = t.to_world;
  share_paint_context(s);
  s.update_clip_box();
  s.frames_.clear();
  s.paint_flags_ = paint_flags_ | paint_keep_bitmap;
  s.driver_options = driver_options;
  s.background = background;
  s.point_display = point_display;
  s.point_marker_size = point_marker_size;
  s.highlighted_.clear();
}

bool view::prepare_stage(view& s) {
  const int w = static_cast<int>(device_.width()) * static_cast<int>(s.factor_);
  const int h = static_cast<int>(device_.height()) * static_cast<int>(s.factor_);
  if (!(s.surface_ && s.surface_.width() >= w && s.surface_.height() >= h)) {
    // A new bitmap shows nothing kept (its handle may even repeat an old one).
    if (&s == stages_[0].get())
      kept_.on_stage = nullptr;
    if (!(!g_shelfGone && shelf().take(w, h, s.surface_)) && !s.surface_.create(nullptr, w, h))
      return false;
  }
  s.dc_ = s.surface_.dc();
  copy_state_to(s);
  SetPolyFillMode(s.dc_, ALTERNATE);
  return true;
}

void view::copy_picture(const view& from, view& to) const {
  if (!from.dc_ || !to.dc_)
    return;
  const int w = static_cast<int>(device_.width()), h = static_cast<int>(device_.height());
  if (from.factor_ == to.factor_) {
    BitBlt(to.dc_, 0, 0, w * static_cast<int>(to.factor_), h * static_cast<int>(to.factor_), from.dc_, 0, 0, SRCCOPY);
    return;
  }
  const int oldMode = SetStretchBltMode(to.dc_, HALFTONE);
  StretchBlt(to.dc_, 0, 0, w * static_cast<int>(to.factor_), h * static_cast<int>(to.factor_), from.dc_, 0, 0,
             w * static_cast<int>(from.factor_), h * static_cast<int>(from.factor_), SRCCOPY);
  SetStretchBltMode(to.dc_, oldMode);
}

void view::flush(view& s) {
  if (!s.painting() || !s.dc_) {
    tables_->pens.discard();
    tables_->brushes.discard();
    return;
  }
  // Fills first so that outlines drawn in the same batch stay on top.
  tables_->brushes.flush(s.dc_, s.background, s.stats_, keeping_);
  tables_->pens.flush(s.dc_, s.background, (s.driver_options & 1) != 0, s.stats_, keeping_);
  if (s.keep_)
    s.keep_->note(kept_draw::of(kept_draw::flushed, s.keep_->index));
}

void view::fill_background(view& s, const RECT& r) {
  ui::text_state keepText(s.dc_);
  const COLORREF oldBk = SetBkColor(s.dc_, s.background);
  ExtTextOutW(s.dc_, 0, 0, ETO_OPAQUE, &r, L"", 0, nullptr);
  SetBkColor(s.dc_, oldBk);
}

view::paint_settings view::current_settings(const view& s) const {
  paint_settings p;
  p.factor = s.factor_;
  p.background = s.background;
  p.driver_options = s.driver_options;
  p.point_display = s.point_display;
  p.point_marker_size = s.point_marker_size;
  p.no_clip = s.no_clip;
  p.cap_height_texts = s.cap_height_texts;
  p.direct_pens = tables_->pens.direct;
  return p;
}

void view::keep_begin() {
  kept_.on_stage = nullptr;
  kept_.batches.clear();
  kept_.draws.clear();
  kept_.noted = 0;
  kept_.echoing = kept_.replaying = false;
  kept_.skipped.clear();
  kept_.keeping = true;
  kept_.complete = false;
  kept_.direct = false;
  // About one draw an element, and a flush now and then.
  kept_.draws.reserve(list1_.size() + list1_.size() / 64 + 2);
  // No cache drawn yet: every point is still to come.
  kept_.caches_cover = extents(GcGePoint2d(-1e300, -1e300), GcGePoint2d(1e300, 1e300));
}

void view::keep_on(view& s) {
  s.keep_ = &kept_;
  keeping_ = &kept_.batches;
}

void view::keep_off(view& s, bool finished) {
  s.keep_ = nullptr;
  keeping_ = nullptr;
  if (!finished)
    return; // the paint goes on in the next call
  kept_.keeping = false;
  kept_.complete = true;
  kept_.version = content_version_;
  kept_.settings = current_settings(s);
  const GcGeMatrix2d& m = s.to_device_;
  kept_.linear[0] = m.entry[0][0];
  kept_.linear[1] = m.entry[0][1];
  kept_.linear[2] = m.entry[1][0];
  kept_.linear[3] = m.entry[1][1];
  kept_.shift[0] = m.entry[0][2];
  kept_.shift[1] = m.entry[1][2];
  kept_.regen = regen_.intersected(kept_.caches_cover);
  kept_.on_stage = s.surface_.bitmap();
}

void view::draw_kept(view& s, std::uint32_t index) {
  kept_.index = index;
  kept_.culled = false;
  const std::size_t before = kept_.noted;
  list1_[index]->paint(s);
  if (!kept_.culled && kept_.noted == before)
    kept_.note(kept_draw::of(kept_draw::painted, index));
}

bool view::kept_matches(const view& s) const {
  if (!kept_.complete || kept_.version != content_version_ || !(kept_.settings == current_settings(s)))
    return false;
  const GcGeMatrix2d& m = s.to_device_;
  const double linear[4] = {m.entry[0][0], m.entry[0][1], m.entry[1][0], m.entry[1][1]};
  for (int i = 0; i < 4; ++i)
    if (std::abs(linear[i] - kept_.linear[i]) > 1e-12 * (std::abs(kept_.linear[i]) + 1e-300))
      return false;
  return true;
}

bool view::kept_fits(const view& s, std::int32_t (&move)[2]) const {
  if (kept_.direct || !kept_matches(s))
    return false;
  // The translation must have moved by whole pixels.
  const GcGeMatrix2d& m = s.to_device_;
  for (int i = 0; i < 2; ++i) {
    const double d = m.entry[i][2] - kept_.shift[i];
    const double whole = std::round(d);
    if (!(std::abs(d - whole) <= 1e-6 && std::abs(whole) <= 1e7))
      return false;
    move[i] = static_cast<std::int32_t>(whole);
  }
  if (!kept_.regen.contains(window_))
    return false;
  // An element left out for lying outside the window may have come into it.
  for (const skipped_element& e : kept_.skipped)
    if (e.box.overlaps(window_))
      return false;
  return true;
}

bool view::draws_fit(const view& s) const {
  // At the same scale every cache drawn is still current wherever they all
  // have their points.
  return kept_matches(s) && kept_.caches_cover.contains(window_);
}

void view::replay_draws(view& s) {
  kept_.batches.clear();
  kept_.on_stage = nullptr;
  kept_.keeping = true;
  kept_.complete = false;
  kept_.direct = false;
  // The draws and skipped elements are noted anew as they are replayed (an
  // element painted otherwise than from its cache may have left the window,
  // and one left out may have come in). The draws are read from kept_.draws,
  // which stays as it is while the new notes agree with it; the skipped
  // elements go to a spare vector whose memory serves from one replay to the
  // next.
  const std::vector<kept_draw>& draws = kept_.draws;
  std::vector<skipped_element>& skipped = kept_.replayed_skipped;
  skipped.swap(kept_.skipped);
  kept_.skipped.clear();
  kept_.noted = 0;
  kept_.echoing = kept_.replaying = true;
  keep_on(s);
  // Elements left out are painted where they stand in the list when they
  // have come into the window, and stay left out otherwise; what an element
  // painted again leaves out (itself, members of a reference) it notes anew.
  std::size_t next = 0;
  std::uint32_t painted = ~0u; // index of the last element painted again
  auto upTo = [&](std::uint32_t index) {
    for (; next < skipped.size() && skipped[next].index < index; ++next) {
      const skipped_element& k = skipped[next];
      if (k.index == painted)
        continue;
      if (k.box.overlaps(window_)) {
        draw_kept(s, k.index);
        painted = k.index;
      } else {
        kept_.skipped.push_back(k);
      }
    }
  };
  pen_table& pens = tables_->pens;
  const std::size_t count = draws.size();
  for (std::size_t i = 0; i < count; ++i) {
    // Caches are drawn in the order they were made, each in a slot of its own
    // and its points in a block of their own: fetch the cache sixteen draws
    // ahead and the points of the one eight ahead, which that fetch brought.
    if (i + 16 < count && draws[i + 16].kind == kept_draw::from_cache)
      prefetch(draws[i + 16].cache);
    if (i + 8 < count && draws[i + 8].kind == kept_draw::from_cache)
      prefetch(draws[i + 8].cache->points.asArrayPtr());
    const kept_draw& d = draws[i];
    upTo(d.index);
    switch (d.kind) {
    case kept_draw::from_cache:
      // A cache emptied in between (regenerated by a hit test, say) is drawn
      // by its element, which notes how far its new points reach.
      if (d.cache->serial != d.serial) {
        draw_kept(s, d.index);
        painted = d.index;
        break;
      }
      if (pen_record* pen = pens.normal(d.pen))
        s.draw_cache(*d.cache, pen, s.must_clip(d.outline), d.outline.pairs);
      kept_.note(d);
      break;
    case kept_draw::painted:
      draw_kept(s, d.index);
      painted = d.index;
      break;
    case kept_draw::flushed:
      kept_.index = d.index;
      flush(s);
      break;
    }
  }
  const std::size_t drawn = kept_.noted;
  upTo(~0u);
  if (kept_.noted != drawn) { // elements at the end of the list came in
    kept_.index = static_cast<std::uint32_t>(list1_.size());
    flush(s);
  }
  // The draws noted become the kept ones.
  if (kept_.echoing)
    kept_.draws.resize(kept_.noted);
  else
    kept_.draws.swap(kept_.renoted);
  kept_.echoing = kept_.replaying = false;
  keep_off(s, true);
  ++s.stats_.lists_redrawn;
}

void view::replay_kept(view& s, const std::int32_t (&move)[2]) {
  kept_.move(move);
  replay_batches(s.dc_, s.background, (s.driver_options & 1) != 0, kept_.batches, tables_->pens,
                 tables_->brushes, s.stats_);
  ++s.stats_.lists_replayed;
  kept_.on_stage = s.surface_.bitmap();
}

bool view::scroll_kept(view& s, const std::int32_t (&move)[2]) {
  const int w = s.surface_.width(), h = s.surface_.height();
  const int dx = move[0], dy = move[1];
  if (kept_.on_stage != s.surface_.bitmap() || !kept_.on_stage || std::abs(dx) >= w || std::abs(dy) >= h)
    return false;
  // When most of the bitmap would be bared, drawing every kept point into the
  // cleared bitmap costs about as much and needs no clipping.
  const long long baredArea = static_cast<long long>(std::abs(dx)) * h + static_cast<long long>(std::abs(dy)) * w -
                          static_cast<long long>(std::abs(dx)) * std::abs(dy);
  if (2 * baredArea > static_cast<long long>(w) * h)
    return false;
  kept_.move(move);
  ++s.stats_.lists_replayed;
  if (dx == 0 && dy == 0)
    return true;
  // GDI copies overlapping areas of one bitmap correctly.
  BitBlt(s.dc_, dx, dy, w, h, s.dc_, 0, 0, SRCCOPY);
  // The strips the move bared: a column band and a row band.
  RECT bared[2];
  int n = 0;
  if (dx != 0)
    bared[n++] = dx > 0 ? RECT{0, 0, dx, h} : RECT{w + dx, 0, w, h};
  if (dy != 0)
    bared[n++] = dy > 0 ? RECT{0, 0, w, dy} : RECT{0, h + dy, w, h};
  for (int i = 0; i < n; ++i)
    fill_background(s, bared[i]);
  // Only polylines and rings whose box reaches into a strip are drawn again,
  // clipped to the strips so that what is already there stays untouched.
  std::uint32_t widest = 1;
  for (int i = 0; i < tables_->pens.size(); ++i)
    widest = std::max(widest, tables_->pens.record(i).width);
  const retained_batches strip = kept_.batches.touching(bared, n, static_cast<int>(widest) + 2);
  ui::unique_hrgn clip(CreateRectRgnIndirect(&bared[0]));
  if (n == 2 && clip) {
    ui::unique_hrgn second(CreateRectRgnIndirect(&bared[1]));
    if (second)
      CombineRgn(clip.get(), clip.get(), second.get(), RGN_OR);
  }
  SelectClipRgn(s.dc_, clip.get());
  replay_batches(s.dc_, s.background, (s.driver_options & 1) != 0, strip, tables_->pens, tables_->brushes,
                 s.stats_);
  SelectClipRgn(s.dc_, nullptr);
  return true;
}

bool view::paint_list(view& s, const element_list& list, std::uint32_t& progress, std::uint64_t call_start) {
  // Keeping list 1's picture: elements are culled by the visible window as
  // usual (the ones left out are noted), and drawn whole within the
  // regeneration window as always, so that their points still hold after a
  // pan inside it.
  const bool keep = &list == &list1_ && kept_.keeping;
  if (keep)
    keep_on(s);
  // Nothing drawn inside one paint call shows before the call copies its
  // stage to the DC, so batches are flushed only when they have grown to a
  // full GDI call, when the budget is spent and at the end of the list: few,
  // long PolyPolyline calls. The clock is looked at after every 8th element
  // and read there after a flush, once 2048 vertices were processed or 64
  // elements painted since it was last read: a reading costs about 0.2
  // microseconds under Wine, as much as drawing two elements from their
  // caches, and the points processed stand for the work done in between.
  bool outOfTime = false;
  std::uint32_t sinceClock = 0;
  std::uint32_t verticesAtClock = s.stats_.vertices_processed;
  std::uint32_t progressAtClock = progress;
  while (progress < list.size() && !outOfTime) {
    if (progress + 4 < list.size())
      prefetch(list[progress + 4].get()); // elements are visited in order
    if (keep)
      draw_kept(s, progress);
    else
      list[progress]->paint(s);
    if (++progress % 8 != 0)
      continue;
    bool flushed = false;
    if (tables_->pens.pending_points() >= batch_flush_points) {
      kept_.index = progress;
      flush(s);
      flushed = true;
    }
    sinceClock += 8;
    if (!flushed && sinceClock < 64 && s.stats_.vertices_processed - verticesAtClock < 2048)
      continue;
    sinceClock = 0;
    verticesAtClock = s.stats_.vertices_processed;
    outOfTime = clock_->now_us(progress - progressAtClock) - call_start >= time_budget_us;
    progressAtClock = progress;
  }
  kept_.index = progress;
  flush(s);
  const bool finished = progress >= list.size();
  if (keep)
    keep_off(s, finished);
  return finished;
}

bool view::paint_highlights(view& s, std::uint32_t& progress, std::uint64_t call_start) {
  const std::uint64_t batchBudget = time_budget_us / 64;
  std::uint64_t batchStart = clock_->now_us(0);
  while (progress < highlighted_.size()) {
    const std::uint64_t h = highlighted_[progress++];
    for (const element_list* list : {&list1_, &list2_})
      for (const auto& e : *list)
        if (e->handle == h)
          e->paint(s);
    const std::uint64_t t = clock_->now_us(1);
    if (t - batchStart >= batchBudget) {
      flush(s);
      batchStart = clock_->now_us(0);
      if (batchStart - call_start >= time_budget_us)
        break;
    }
  }
  flush(s);
  return progress >= highlighted_.size();
}

void view::paint_snap_marker(view& s) {
  if (snap_index_ >= snap_results_.size())
    return;
  const snap_result& r = snap_results_[snap_index_];
  if (r.handle != no_handle && (snap_options & 2)) {
    add_message(msg_stats, 0, "SP_PAINT_ENT");
    for (const element_list* list : {&list1_, &list2_})
      for (const auto& e : *list)
        if (e->handle == r.handle)
          e->paint(s);
    flush(s);
  }
  const int index = tables_->pens.index(snap_pen_colour, snap_pen_width);
  pen_record* pen = tables_->pens.normal(index);
  if (!pen) {
    add_message(msg_warning, 2, "UNABLE TO GET SNAP POINT PEN");
    return;
  }
  const std::uint32_t kind = (snap_options & 1) ? snap_intersection : r.snap_kind;
  const GcGePoint2d at = s.to_device_.apply(r.point);
  add_marker(*pen, kind, at, snap_marker_size * s.factor_);
  if (rubber_line_) {
    add_message(msg_stats, 0, "SP_PAINT_LINE");
    pen->batch.add_segment(s.to_device_.apply(last_point_), at);
  }
  flush(s);
}

bool view::paint() {
  if (!dc_ || !window_.valid || !device_.valid)
    return false;
  GcGeScopedTol tol(view_tolerance(drawing_), 0.0);
  const std::uint64_t T = clock_->now_us(0);

  if (stage_flags_ & stage_restart) {
    stats_ = paint_statistics{};
    total_start_us_ = T;
    total_running_ = true;
    time_budget_us = base_budget_us;
    view& s1 = stage(0);
    if (!prepare_stage(s1))
      return false;
    progress_[0] = 0;
    s1.stats_ = paint_statistics{};
    // After a pan by whole pixels the kept picture of list 1 is still on the
    // stage: it is moved, and only the bared strips are drawn.
    std::int32_t move[2] = {0, 0};
    if (kept_fits(s1, move) && scroll_kept(s1, move)) {
      progress_[0] = static_cast<std::uint32_t>(list1_.size());
      stats_.add(s1.stats_);
    } else {
      fill_background(s1, RECT{0, 0, s1.surface_.width(), s1.surface_.height()});
      fresh_stage1_ = true;
    }
    stage_flags_ = (stage_flags_ | stage_list1) & ~stage_restart;
  }
  if (stage_flags_ & stage_list1) {
    view& s1 = stage(0);
    s1.stats_ = paint_statistics{};
    // A cleared stage 1 is either drawn from the kept picture of list 1 or
    // painted from the list, keeping its picture for the next time.
    std::int32_t move[2] = {0, 0};
    if (fresh_stage1_ && progress_[0] == 0) {
      if (kept_fits(s1, move)) {
        replay_kept(s1, move);
        progress_[0] = static_cast<std::uint32_t>(list1_.size());
      } else if (draws_fit(s1)) {
        replay_draws(s1);
        progress_[0] = static_cast<std::uint32_t>(list1_.size());
      } else {
        keep_begin();
      }
    }
    fresh_stage1_ = false;
    if (paint_list(s1, list1_, progress_[0], T))
      stage_flags_ &= ~stage_list1;
    stats_.add(s1.stats_);
    stage_flags_ |= stage_copy2;
  }
  // A stage with nothing to add (list 2 empty, no highlight, no snap marker)
  // shows the picture of the stage before it instead of a copy of it: the
  // result is the same and a full-bitmap copy per stage is saved.
  if (stage_flags_ & stage_copy2) {
    own_[1] = false;
    if (!list2_.empty() && prepare_stage(stage(1))) {
      copy_picture(source(0), stage(1));
      own_[1] = true;
    }
    progress_[1] = 0;
    stage_flags_ = (stage_flags_ & ~stage_copy2) | stage_list2;
  }
  if (stage_flags_ & stage_list2) {
    if (!list2_.empty() && !own_[1] && prepare_stage(stage(1))) {
      copy_picture(source(0), stage(1));
      own_[1] = true;
      progress_[1] = 0;
    }
    bool finished = true;
    if (own_[1]) {
      view& s2 = stage(1);
      s2.stats_ = paint_statistics{};
      finished = paint_list(s2, list2_, progress_[1], T);
      stats_.add(s2.stats_);
    }
    if (finished)
      stage_flags_ &= ~stage_list2;
    stage_flags_ |= stage_copy3;
  }
  if (stage_flags_ & stage_copy3) {
    own_[2] = false;
    if (!highlighted_.empty() && prepare_stage(stage(2))) {
      stage(2).paint_flags_ |= paint_highlight_pass;
      copy_picture(source(1), stage(2));
      own_[2] = true;
    }
    progress_[2] = 0;
    stage_flags_ = (stage_flags_ & ~stage_copy3) | stage_highlights;
  }
  if (stage_flags_ & stage_highlights) {
    bool finished = true;
    if (own_[2]) {
      view& s3 = stage(2);
      s3.stats_ = paint_statistics{};
      finished = paint_highlights(s3, progress_[2], T);
      stats_.add(s3.stats_);
    }
    if (finished)
      stage_flags_ &= ~stage_highlights;
    stage_flags_ |= stage_snap;
  }
  if (stage_flags_ & stage_snap) {
    add_message(msg_stats, 0, "SP_PAINT");
    own_[3] = false;
    if (snap_index_ < snap_results_.size() && prepare_stage(stage(3))) {
      view& s4 = stage(3);
      s4.paint_flags_ |= paint_highlight_pass;
      copy_picture(source(2), s4);
      own_[3] = true;
      s4.stats_ = paint_statistics{};
      paint_snap_marker(s4);
      stats_.add(s4.stats_);
    }
    // With the budget spent the marker is shown on the partial picture, and
    // the stage stays flagged so that the caller paints again.
    if (clock_->now_us(0) - T < time_budget_us)
      stage_flags_ &= ~stage_snap;
  }
  const bool done = !(stage_flags_ & stage_snap);

  // The finished (or partial) picture goes to the bound DC.
  const std::uint64_t swapStart = clock_->now_us(0);
  view& s4 = source(3);
  if (s4.dc_) {
    const int w = static_cast<int>(device_.width()), h = static_cast<int>(device_.height());
    if (s4.factor_ == factor_) {
      BitBlt(dc_, static_cast<int>(device_.min.x), static_cast<int>(device_.min.y), w, h, s4.dc_, 0, 0, SRCCOPY);
    } else {
      const int oldMode = SetStretchBltMode(dc_, HALFTONE);
      StretchBlt(dc_, static_cast<int>(device_.min.x), static_cast<int>(device_.min.y), w * factor_, h * factor_,
                 s4.dc_, 0, 0, w * s4.factor_, h * s4.factor_, SRCCOPY);
      SetStretchBltMode(dc_, oldMode);
    }
  }
  const std::uint64_t swapUs = clock_->now_us(0) - swapStart;
  swap_ms_ = swapUs / 1000.0;
  if (80 * swapUs > time_budget_us)
    time_budget_us = static_cast<std::uint32_t>(std::min<std::uint64_t>(80 * swapUs, 1000000));

  const std::uint64_t end = clock_->now_us(0);
  delta_ms_ = (end - T) / 1000.0;
  if (total_running_)
    total_ms_ = (end - total_start_us_) / 1000.0;
  if (done)
    total_running_ = false;
  add_message(msg_stats, 0, "ENTITY INSTANCES: %i", entity::live_count());
  add_message(msg_stats, 0, "BUFFER INSTANCES: %i", buffer_paint::live_count());
  add_message(msg_stats, 0, "PAINT TOTAL: %.3f ms", total_ms_);
  add_message(msg_stats, 0, "PAINT DELTA: %.3f ms", delta_ms_);
  add_message(msg_stats, 0, "SWAP BUFFER: %.3f ms", swap_ms_);
  add_message(msg_stats, 0, "POLYGON VERTEX PAINT: %i", static_cast<int>(stats_.polygon_vertices_painted));
  add_message(msg_stats, 0, "VERTEX PAINT: %i", static_cast<int>(stats_.vertices_painted));
  add_message(msg_stats, 0, "VERTEX PROCESSED: %i", static_cast<int>(stats_.vertices_processed));
  add_message(msg_stats, 0, "CURVES REGEN: %i", static_cast<int>(stats_.curves_regenerated));
  if (stats_.failed_polygon_calls)
    add_message(msg_failures, 0, "POLYGON GDI CALLS FAILED: %i", static_cast<int>(stats_.failed_polygon_calls));
  if (stats_.failed_polyline_calls)
    add_message(msg_failures, 0, "POLYLINE GDI CALLS FAILED: %i", static_cast<int>(stats_.failed_polyline_calls));
  draw_messages();
  if (saved_dc_.saved) {
    SetBkColor(dc_, saved_dc_.background);
    SetPolyFillMode(dc_, saved_dc_.fill_mode);
  }
  return done;
}

void view::draw_messages() {
  if (messages_.empty())
    return;
  {
    ui::text_state keep(dc_);
    SetTextColor(dc_, background ^ 0xFFFFFF);
    SetBkMode(dc_, TRANSPARENT);
    SetTextAlign(dc_, TA_BASELINE | TA_LEFT);
    int y = static_cast<int>(device_.max.y) - 20;
    for (auto it = messages_.rbegin(); it != messages_.rend(); ++it, y -= 15) {
      if (y < device_.min.y)
        break;
      TextOutA(dc_, static_cast<int>(device_.min.x), y, it->text.c_str(), static_cast<int>(it->text.size()));
    }
  }
  const std::uint64_t now = clock_->now_us(0);
  std::erase_if(messages_, [now](const view_message& m) { return (now - m.start_us) / 1000000 >= m.lifetime_s; });
}

} // namespace GDI
