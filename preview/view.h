#pragma once
// The preview canvas: owns the display lists and paint tables, maps a world
// window onto a device rectangle, paints progressively through a chain of
// back buffers, keeps the highlighted set, answers snap queries and shows
// short diagnostic messages over the picture.
#include <windows.h>

#include "preview/chain_items.h"
#include "preview/entity.h"
#include "preview/linetype.h"
#include "preview/paint_tables.h"
#include "preview/palette.h"
#include "preview/view_math.h"
#include "ui/gdi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace GDI {

// Stage flags of a paint call, run in this order.
enum stage_flag : std::uint32_t {
  stage_restart = 1,
  stage_list1 = 2,
  stage_copy2 = 4,
  stage_list2 = 8,
  stage_copy3 = 16,
  stage_highlights = 32,
  stage_snap = 64,
};
inline constexpr std::uint32_t stage_initial = 0x55;

// Paint flags.
inline constexpr std::uint32_t paint_enabled = 1, paint_hit_test = 2, paint_highlight_pass = 4, paint_keep_bitmap = 8;

// Message levels.
inline constexpr std::uint32_t msg_info = 1, msg_stats = 2, msg_warning = 4, msg_failures = 8;

// Highlight operation codes.
enum highlight_op : int {
  hl_clear_all = 0, hl_reset_set = 1, hl_pick_remove = 2, hl_pick_add = 3, hl_inside_remove = 4,
  hl_touch_remove = 5, hl_inside_add = 6, hl_touch_add = 7, hl_remove_listed = 8, hl_add_listed = 9,
  hl_copy_set = 10,
};

// Tables a view shares with its paint stages.
struct shared_tables {
  pen_table pens;
  brush_table brushes;
  linetype_table linetypes;
  block_table blocks;
};

// Where a view reads the time: for the budget of a paint call, the time a
// copy to the DC takes (which raises the budget), the time limit of a snap
// search and the age of its messages. With each reading the view says how
// much work it did since its last one (list elements painted, highlighted
// handles painted, snap candidates examined), so that a clock may count work
// instead of time and make progressive painting and the snap limit
// independent of the machine (the tests' clock does).
class view_clock {
public:
  virtual ~view_clock() = default;
  // Microseconds from a fixed start; work: units done since the last reading.
  virtual std::uint64_t now_us(std::uint32_t work) = 0;
};

// The high-resolution counter (now_us): the clock of every view that is not
// given another.
view_clock& performance_clock();

struct view_message {
  std::uint64_t start_us = 0;
  std::uint8_t running = 1;
  std::uint32_t lifetime_s = 0;
  std::string text;
};

class view {
public:
  // The clock must outlive the view.
  explicit view(view_clock& clock = performance_clock());
  ~view();
  view(const view&) = delete;
  view& operator=(const view&) = delete;

  // --- binding, window, painting
  // The clock the view reads from now on (it must outlive the view).
  void set_clock(view_clock& clock) { clock_ = &clock; }
  view_clock& clock() const { return *clock_; }
  bool bind_dc(HDC dc);
  void set_owner(HWND owner) { owner_ = owner; }
  bool set_window(const extents* world, const extents* device);
  bool fit_window(const extents* world, const extents* device);
  bool zoom(double f);
  bool zoom_at(double f, double device_x, double device_y);
  bool zoom_extents(double margin);
  // Moves the picture by a device offset (content follows the cursor).
  bool pan(double device_dx, double device_dy);
  // One step of progressive painting; false while stages remain to be done.
  bool paint();
  void clear(bool tables);

  // --- factories
  bool define_block(const GcGePoint2d& base, std::uint64_t key);
  // Takes ownership of `geometry` unless copy is set (also when it fails).
  bool add_curve(GcGeEntity2d* geometry, std::uint64_t colour, std::uint32_t width, const char* linetype,
                 double linetype_scale, std::uint64_t handle, bool into_block, bool copy, int list = 1);
  // loops[i] is taken over when owned[i], else copied.
  bool add_solid(const std::vector<GcGeCurve2d*>& loops, const std::vector<bool>& owned, std::uint64_t colour,
                 std::uint64_t handle, bool into_block, int list = 1);
  bool add_block_reference(std::uint64_t key, const GcGePoint2d& position, const GcGeScale2d& scale,
                           const GcGeVector2d& direction, std::uint64_t handle, bool into_block, bool scale_pixels,
                           int list = 1);
  bool add_text(const GcGePoint2d& insertion, const GcGeVector2d& direction, std::u16string_view text, double height,
                std::uint64_t colour, std::uint32_t vertical, std::uint32_t horizontal, std::uint64_t handle,
                bool into_block, std::uint64_t value, text_style style, int list = 1);
  // One factory call for an item read from an entity chain; the handle is the
  // element's key (the block's key with into_block).
  bool add_item(chain_item item, std::uint64_t handle, bool into_block);
  // A dash pattern by name (e.g. "DASH"); lengths as in linetype::append.
  // Defining a name again replaces its pattern. Lengths that are not numbers
  // are left out, larger ones than 1e100 taken as 1e100, and only the first
  // 1024 elements kept.
  int define_linetype(const char* name, std::initializer_list<double> pattern);
  int define_linetype(const char* name, const std::vector<double>& pattern);

  // --- highlights and snapping
  bool highlight(int op, const extents* device_window, std::vector<std::uint64_t>* handles, bool flag);
  std::size_t snap_query(std::uint32_t modes, const extents& pick_box, const std::vector<std::uint64_t>* filter,
                         bool sense, const std::vector<GcGePoint2d>* exclude, const GcGePoint2d* last);
  bool next_snap_point(GcGePoint2d& point);
  // Forgets the results of the last query (no marker, no rubber line).
  void reset_snap();
  const std::vector<snap_result>& snap_results() const { return snap_results_; }
  std::uint32_t snap_index() const { return snap_index_; }

  // --- messages
  void add_message(std::uint32_t level, std::uint32_t lifetime_s, const char* format, ...);
  const std::vector<view_message>& messages() const { return messages_; }

  // --- state
  const extents& window() const { return window_; }
  const extents& device() const { return device_; }
  const extents& regen_window() const { return regen_; }
  const extents& drawing_extents() const { return drawing_; }
  const GcGeMatrix2d& world_to_device() const { return to_device_; }
  const GcGeMatrix2d& device_to_world() const { return to_world_; }
  double pixel_size() const { return pixel_; }
  std::uint32_t stage_flags() const { return stage_flags_; }
  std::uint32_t progress(int stage) const { return progress_[stage]; }
  std::size_t list_size(int list) const { return list == 2 ? list2_.size() : list1_.size(); }
  entity* list_item(int list, std::size_t i) const { return (list == 2 ? list2_ : list1_)[i].get(); }
  const std::vector<std::uint64_t>& highlighted() const { return highlighted_; }
  const paint_statistics& statistics() const { return stats_; }
  shared_tables& tables() { return *tables_; }
  GDI::palette& palette() { return palette_; }

  std::uint32_t time_budget_us = 100000; // current budget of one paint call
  std::uint32_t base_budget_us = 100000; // budget a restart goes back to
  COLORREF background = RGB(255, 255, 255);
  COLORREF snap_pen_colour = 0x0000FFFF;
  std::uint32_t snap_pen_width = 2;
  double snap_marker_size = 6.0;
  std::uint32_t snap_options = 2;   // 1: every marker as kind 256; 2: snapped element highlighted
  std::uint32_t driver_options = 0; // 1: geometric pens draw one polyline per call
  std::uint32_t message_mask = 13;
  std::uint8_t point_display = 1;
  double point_marker_size = 15.0;
  std::uint8_t no_clip = 0;
  // 1: a text's height is the height of its capital letters, as CAD programs
  // draw a drawing (the host's pictures); 0: the height of the font's cell,
  // as the previews draw it.
  std::uint8_t cap_height_texts = 0;

  // --- what elements use while painting
  bool painting() const { return (paint_flags_ & paint_enabled) != 0; }
  bool hit_test() const { return (paint_flags_ & paint_hit_test) != 0; }
  bool highlight_pass() const { return (paint_flags_ & paint_highlight_pass) != 0; }
  HDC dc() const { return dc_; }
  // World (or block content) to device, the block transform included.
  const GcGeMatrix2d& content_to_device() const { return frames_.empty() ? to_device_ : frames_.back().device; }
  const GcGeMatrix2d* block_transform() const { return frames_.empty() ? nullptr : &frames_.back().block; }
  double content_pixel() const { return frames_.empty() ? pixel_ : frames_.back().pixel; }
  regen_context regen_ctx() const;
  // What cache_reusable answers for regen_ctx() and an element with these
  // extents, without building the context.
  bool cache_current(double tolerance, const extents& regen, bool whole, const extents& element) const {
    return cache_fits(tolerance, regen, whole, content_pixel(), band_low_, band_high_, window_, element, no_clip != 0);
  }
  void push_block(const GcGeMatrix2d& insert);
  void pop_block() { frames_.pop_back(); }
  paint_statistics& stats() { return stats_; }
  // Adds the cache's segments (dash pieces when present) to the pen's batch,
  // clipped to the device box where they may leave it (must_clip); without a
  // pen, whether any segment survives.
  bool paint_cache(const buffer_curve& cache, pen_record* pen) {
    return draw_cache(cache, pen, must_clip(cache), cache.outline.pairs);
  }
  // The same with the clipping decided and the kind of points known.
  bool draw_cache(const buffer_curve& cache, pen_record* pen, bool clip, bool pairs);
  // Whether a cache's points must be clipped: always in a hit test (to the
  // pick box) and for a cache made without clipping; otherwise unless they
  // were made for a regeneration window inside this one or all map into its
  // device box. From an outline, without reading the cache.
  bool must_clip(const buffer_curve& cache) const {
    return must_clip(cache.outline) && (hit_test() || cache.whole || !regen_.contains(cache.regen));
  }
  bool must_clip(const cache_outline& o) const {
    return !no_clip && (hit_test() || o.whole || !(o.known() && maps_inside(o.reach[0], o.reach[1], o.reach[2], o.reach[3])));
  }

  // The window test every element paints through: true when its extents e
  // lie outside the visible window, so that it draws nothing. While the
  // picture of list 1 is kept, what is left out is noted, since a pan may
  // bring it into the window.
  bool outside(const extents& e) {
    if (e.overlaps(window_))
      return false;
    if (keep_) {
      if (e.valid)
        keep_->skipped.push_back({e, keep_->index});
      keep_->culled |= frames_.empty();
    }
    return true;
  }
  // A cache made for regeneration window r is drawn for an element with
  // these extents: a picture being kept holds points only where every cache
  // drawn into it has them (all of its element's when r holds the element).
  void note_cache_window(const extents& r, bool whole, const extents& element) {
    if (keep_ && !whole && !r.contains(element))
      keep_->caches_cover = keep_->caches_cover.intersected(r);
  }
  // An element of the list (not a block member) drew its cache with pen
  // index pen: while list 1 is kept, noted in the order of drawing.
  void note_cache_draw(const buffer_curve& cache, int pen) {
    if (keep_ && frames_.empty())
      keep_->note(kept_draw::of_cache(keep_->index, pen, cache));
  }
  // An element drew straight into the DC instead of into the batches: the
  // picture of the list being painted cannot be kept as device points.
  void note_direct_drawing() {
    if (keep_)
      keep_->direct = true;
  }
  // Marker segments of a snap kind scaled by size around a device point.
  void add_marker(pen_record& pen, std::uint32_t kind, const GcGePoint2d& device_point, double size);
  // Box the cached points are clipped to, in bitmap pixels: the pick box in
  // a hit test, else the regeneration window (see update_clip_box).
  extents device_box() const;
  // Whether every point inside the drawing box reach maps into the device
  // box of the regeneration window, as the clipping path would find.
  bool maps_inside(const extents& reach) const {
    return reach.valid && maps_inside(reach.min.x, reach.min.y, reach.max.x, reach.max.y);
  }
  bool maps_inside(double x0, double y0, double x1, double y1) const;

private:
  // Posts the message for a window the limits changed.
  void report_limit(window_limit limit);
  // Takes a world window already fitted and limited, and restarts the picture.
  void apply_window(const extents& world, const extents& device);

  struct block_frame {
    GcGeMatrix2d block;   // content to world
    GcGeMatrix2d device;  // content to device
    clip_region boundary; // regeneration boundary in content units
    double pixel = 0.0;   // pixel size in content units
  };
  using element_list = std::vector<std::unique_ptr<entity>>;

  // What a kept list-1 picture depends on besides the list and the matrix.
  struct paint_settings {
    std::uint32_t factor = 1;
    COLORREF background = 0;
    std::uint32_t driver_options = 0;
    std::uint8_t point_display = 0;
    double point_marker_size = 0.0;
    std::uint8_t no_clip = 0;
    std::uint8_t cap_height_texts = 0;
    bool direct_pens = true;
    bool operator==(const paint_settings&) const = default;
  };
  // One step of a kept paint of list 1, in the order they happened: an
  // element of the list drew its cache (with its pen), was painted some
  // other way (a text, a fill, a point, a block reference), or the batches
  // were flushed (index: the elements painted before the flush).
  struct kept_draw {
    enum kind_t : std::uint8_t { from_cache, painted, flushed } kind = painted;
    std::uint32_t index = 0;             // of the element in list 1
    int pen = -1;                        // from_cache: the element's pen index
    std::uint32_t serial = 0;            // from_cache: the cache's serial when it was drawn
    const buffer_curve* cache = nullptr; // from_cache
    // from_cache: how to draw the cache, good while its serial is: a replay
    // then reads only the cache's first line and its points.
    cache_outline outline;

    bool operator==(const kept_draw&) const = default;

    static kept_draw of(kind_t kind, std::uint32_t index) {
      kept_draw d;
      d.kind = kind;
      d.index = index;
      return d;
    }
    static kept_draw of_cache(std::uint32_t index, int pen, const buffer_curve& cache) {
      kept_draw d = of(from_cache, index);
      d.pen = pen;
      d.serial = cache.serial;
      d.cache = &cache;
      d.outline = cache.outline;
      return d;
    }
  };
  // An element the window test left out (or a member of a reference), with
  // the index of the list element it belongs to.
  struct skipped_element {
    extents box;
    std::uint32_t index = 0;
  };
  // What a paint of display list 1 kept, so that the next picture need not
  // walk the list:
  // - the device points its flushes drew, clipped to the regeneration window
  //   instead of the device rectangle: a restart after a pan by whole
  //   pixels, with the list, the tables and the scale unchanged and the
  //   window still inside that window, draws them again, moved;
  // - the order in which elements drew their caches, were painted otherwise
  //   and the batches flushed: a restart after any other pan with the scale
  //   unchanged draws the same caches again in the same order, with the new
  //   matrix, and paints the elements that came into the window where they
  //   stand in the list.
  struct kept_picture {
    retained_batches batches;
    std::vector<kept_draw> draws;
    std::vector<skipped_element> skipped; // in list order
    std::vector<kept_draw> renoted;                 // a replay's draws once they differ from draws
    std::vector<skipped_element> replayed_skipped; // the elements left out by the picture being replayed
    std::size_t noted = 0;                         // draws noted by the paint being kept
    // A replay notes its draws anew. While they agree with the draws it
    // reads (the common case) nothing is written: they are draws[0, noted).
    // From the first that differs they go to renoted, which becomes draws.
    bool echoing = false;
    bool keeping = false;         // a paint of list 1 is being kept
    bool complete = false;        // the whole list was kept
    bool direct = false;          // an element drew straight into the DC: the points are not the picture
    std::uint64_t version = 0;    // content version it was made for
    paint_settings settings;
    double linear[4] = {};        // linear part of the stage matrix
    double shift[2] = {};         // its translation, moved with every replay
    extents caches_cover;         // where every cache drawn has its points
    extents regen;                // world window the kept points cover: the regeneration window within caches_cover
    HBITMAP on_stage = nullptr;   // stage-1 bitmap that shows exactly these points now
    // While keeping: the list element being painted, and whether the window
    // test left it out.
    std::uint32_t index = 0;
    bool culled = false;

    void note(const kept_draw& d) {
      if (echoing) {
        if (noted < draws.size() && draws[noted] == d) {
          ++noted;
          return;
        }
        renoted.assign(draws.begin(), draws.begin() + static_cast<std::ptrdiff_t>(noted));
        echoing = false;
      }
      (replaying ? renoted : draws).push_back(d);
      ++noted;
    }
    bool replaying = false; // draws are being replayed (their notes go to renoted once they differ)
    // Moves the kept points, and the translation they are made for, by whole pixels.
    void move(const std::int32_t (&by)[2]) {
      batches.shift(by[0], by[1]);
      shift[0] += by[0];
      shift[1] += by[1];
    }
  };

  bool add_element(std::unique_ptr<entity> e, std::uint64_t handle, bool into_block, int list);
  void restage(std::uint32_t flag) { stage_flags_ |= flag; }
  view& stage(int i);
  // The stage whose bitmap holds stage i's picture.
  view& source(int i) { return i > 0 && !own_[i] ? source(i - 1) : stage(i); }
  bool prepare_stage(view& s);
  void copy_state_to(view& s) const;
  // What elements read from any view they paint into: tables, palette, the
  // drawing's extents, pixel size, regeneration window and clipping choice.
  void share_paint_context(view& into) const;
  void copy_picture(const view& from, view& to) const;
  // Paints list elements from progress on; true when the list is finished.
  bool paint_list(view& s, const element_list& list, std::uint32_t& progress, std::uint64_t call_start);
  bool paint_highlights(view& s, std::uint32_t& progress, std::uint64_t call_start);
  void paint_snap_marker(view& s);
  void flush(view& s);
  paint_settings current_settings(const view& s) const;
  // Fills r of stage s's bitmap with its background colour.
  static void fill_background(view& s, const RECT& r);
  // Whether the kept picture of list 1 was made for this content, these
  // settings and the scale and rotation of the stage's matrix.
  bool kept_matches(const view& s) const;
  // Whether the kept points still fit the stage's matrix; move gets the
  // whole-pixel shift since they were last drawn.
  bool kept_fits(const view& s, std::int32_t (&move)[2]) const;
  // Whether the kept draws can be drawn again at the stage's matrix.
  bool draws_fit(const view& s) const;
  // Draws the kept draws again into a cleared stage 1, keeping them anew.
  void replay_draws(view& s);
  // Paints element index of list 1 into s while it is kept, noting it as
  // painted unless it drew its cache or the window test left it out.
  void draw_kept(view& s, std::uint32_t index);
  // Start and end of drawing into s while the picture of list 1 is kept.
  void keep_on(view& s);
  void keep_off(view& s, bool finished);
  // Draws the kept picture, moved, into a cleared stage 1.
  void replay_kept(view& s, const std::int32_t (&move)[2]);
  // Moves stage 1's picture by the shift and draws only the strips it bares.
  bool scroll_kept(view& s, const std::int32_t (&move)[2]);
  void keep_begin();
  // Sets the clipping box of painting to the device image of the
  // regeneration window.
  void update_clip_box();
  void draw_messages();
  void apply_highlight_flags();
  bool hit(entity& e, const extents& device_window);

  view_clock* clock_;
  std::uint32_t factor_ = 1;
  std::uint32_t stage_factor_ = 1;
  HDC dc_ = nullptr;
  HWND owner_ = nullptr;
  ui::memory_surface surface_; // stage views paint into their own bitmap
  GcGeMatrix2d to_device_;
  GcGeMatrix2d to_world_;
  extents window_;
  extents device_;
  extents requested_;
  std::vector<std::uint64_t> highlighted_;
  std::uint32_t paint_flags_ = paint_enabled;
  double pixel_ = 0.0;
  double band_low_ = 0.5;
  double band_high_ = 1.5;
  std::vector<view_message> messages_;
  struct {
    bool saved = false;
    COLORREF background = 0;
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    int fill_mode = 0;
  } saved_dc_;
  std::uint32_t stage_flags_ = stage_initial;
  std::uint32_t progress_[3] = {0, 0, 0};
  std::uint32_t snap_index_ = ~0u;
  std::unique_ptr<view> stages_[4];
  bool own_[4] = {true, false, false, false}; // stage holds its own picture
  std::vector<snap_result> snap_results_;
  GcGePoint2d last_point_;
  std::uint8_t rubber_line_ = 0;
  extents regen_;
  clip_region boundary_;
  GDI::palette palette_;
  std::shared_ptr<shared_tables> tables_;
  element_list list1_;
  element_list list2_;
  extents drawing_;
  std::vector<block_frame> frames_;
  paint_statistics stats_;
  std::uint64_t total_start_us_ = 0;
  bool total_running_ = false;
  double total_ms_ = 0.0;
  double delta_ms_ = 0.0;
  double swap_ms_ = 0.0;
  kept_picture kept_;
  std::uint64_t content_version_ = 0; // bumped by every change of lists, blocks and tables
  retained_batches* keeping_ = nullptr; // flushes append here while list 1 is kept
  kept_picture* keep_ = nullptr;        // a stage's: the picture its paint is kept in
  extents clip_box_;                  // device box of the regeneration window
  bool fresh_stage1_ = false;          // stage 1 was cleared and nothing painted into it yet
};

// Back buffers of destroyed views are kept (two at most) for the next view
// that needs one of a fitting size; they are freed when the module is
// unloaded, or now by release_back_buffers. kept_back_buffers tells how many
// there are.
void release_back_buffers();
std::size_t kept_back_buffers();

// Microseconds of the high-resolution counter.
std::uint64_t now_us();

} // namespace GDI
