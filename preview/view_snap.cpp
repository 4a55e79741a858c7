// Highlighting and snap queries of a view.
#include "preview/view.h"

#include <algorithm>

namespace GDI {
namespace {
bool listed(const std::vector<std::uint64_t>* handles, std::uint64_t h) {
  return handles && std::find(handles->begin(), handles->end(), h) != handles->end();
}
} // namespace

bool view::hit(entity& e, const extents& device_window) {
  view probe(*clock_);
  share_paint_context(probe);
  probe.to_device_ = to_device_;
  probe.to_world_ = to_world_;
  probe.device_ = device_window;
  probe.window_ = device_window.transformed(to_world_);
  probe.paint_flags_ = paint_hit_test;
  // The probe shares the lists' elements but must not own them.
  const bool result = e.paint(probe);
  return result;
}

void view::apply_highlight_flags() {
  for (element_list* list : {&list1_, &list2_})
    for (auto& e : *list)
      e->set_highlight(e->handle != no_handle &&
                       std::find(highlighted_.begin(), highlighted_.end(), e->handle) != highlighted_.end());
}

bool view::highlight(int op, const extents* device_window, std::vector<std::uint64_t>* handles, bool flag) {
  auto addHandle = [this](std::uint64_t h) {
    if (std::find(highlighted_.begin(), highlighted_.end(), h) == highlighted_.end())
      highlighted_.push_back(h);
  };
  auto removeHandle = [this](std::uint64_t h) { std::erase(highlighted_, h); };
  auto takesPart = [&](const entity& e) {
    if (e.handle == no_handle)
      return false;
    if (!handles)
      return true;
    return listed(handles, e.handle) == flag;
  };
  bool changed = false;
  switch (op) {
  case hl_clear_all:
    for (element_list* list : {&list1_, &list2_})
      for (auto& e : *list)
        removeHandle(e->handle);
    changed = true;
    break;
  case hl_reset_set:
    changed = !highlighted_.empty();
    highlighted_.clear();
    break;
  case hl_pick_remove:
  case hl_pick_add: {
    if (!device_window || !device_window->valid)
      return false;
    entity* picked = nullptr;
    for (element_list* list : {&list1_, &list2_}) {
      for (auto& e : *list)
        if (takesPart(*e) && hit(*e, *device_window)) {
          picked = e.get();
          break;
        }
      if (picked)
        break;
    }
    if (!picked)
      break;
    op == hl_pick_add ? addHandle(picked->handle) : removeHandle(picked->handle);
    changed = true;
    break;
  }
  case hl_inside_remove:
  case hl_inside_add:
  case hl_touch_remove:
  case hl_touch_add: {
    if (!device_window || !device_window->valid)
      return false;
    const extents w = device_window->transformed(to_world_);
    const bool add = op == hl_inside_add || op == hl_touch_add;
    const bool inside = op == hl_inside_add || op == hl_inside_remove;
    for (element_list* list : {&list1_, &list2_})
      for (auto& e : *list) {
        if (!takesPart(*e))
          continue;
        const bool chosen = inside ? w.contains(e->get_extents(*this)) : hit(*e, *device_window);
        if (!chosen)
          continue;
        add ? addHandle(e->handle) : removeHandle(e->handle);
        changed = true;
      }
    break;
  }
  case hl_remove_listed:
  case hl_add_listed:
    if (handles)
      for (std::uint64_t h : *handles)
        op == hl_add_listed ? addHandle(h) : removeHandle(h);
    changed = true;
    break;
  case hl_copy_set:
    if (!handles)
      return false;
    *handles = highlighted_;
    return true;
  default:
    return false;
  }
  apply_highlight_flags();
  if (changed)
    restage(stage_copy3);
  return true;
}

std::size_t view::snap_query(std::uint32_t modes, const extents& pick_box, const std::vector<std::uint64_t>* filter,
                             bool sense, const std::vector<GcGePoint2d>* exclude, const GcGePoint2d* last) {
  GcGeScopedTol tol(view_tolerance(drawing_), 0.0);
  const double eq = view_tolerance(drawing_);
  const bool timing = !(modes & snap_no_timer);
  const std::uint64_t start = clock_->now_us(0);
  restage(stage_snap);
  snap_results_.clear();
  snap_index_ = ~0u;
  rubber_line_ = 0;
  add_message(msg_stats, 0, "EXT VALID A %i", static_cast<int>(pick_box.valid));
  add_message(msg_stats, 0, "EXT VALID B %i", static_cast<int>(window_.valid));
  if (!pick_box.valid || !window_.valid) {
    add_message(msg_stats, 0, "SNAP RESET - INVALID VIEW");
    return 0;
  }
  add_message(msg_stats, 0, "SNAP QUERY");
  const extents w = pick_box.transformed(to_world_);
  if (last) {
    last_point_ = *last;
    rubber_line_ = 1;
  }
  std::vector<entity*> candidates;
  candidates.reserve(list1_.size() + list2_.size());
  for (const element_list* list : {&list1_, &list2_})
    for (const auto& e : *list)
      candidates.push_back(e.get());
  const bool intersections = (modes & snap_intersection) != 0;
  std::vector<char> hitWindow;
  if (intersections) {
    hitWindow.resize(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i)
      hitWindow[i] = candidates[i]->hit_window(*this, w) ? 1 : 0;
  }
  GcGePoint2dArray points;
  std::vector<std::uint32_t> kinds;
  const GcGePoint2d centre = w.center();
  // Candidates examined, and examined when the clock was last read.
  std::size_t examined = 0, examinedAtClock = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    entity& e = *candidates[i];
    const bool skip = filter && (listed(filter, e.handle) ? !sense : sense);
    if (!skip) {
      points.removeAll();
      kinds.clear();
      e.collect_snap_points(*this, w, points, kinds, modes, last);
      const int plain = points.length();
      if (intersections && hitWindow[i])
        for (std::size_t j = i + 1; j < candidates.size(); ++j)
          if (hitWindow[j])
            e.collect_intersections(*this, *candidates[j], points);
      for (int k = 0; k < points.length(); ++k) {
        const GcGePoint2d& p = points[k];
        if (!w.contains(p))
          continue;
        if (exclude && std::any_of(exclude->begin(), exclude->end(),
                                   [&](const GcGePoint2d& x) { return x.isEqualTo(p, GcGeTol(eq, 0.0)); }))
          continue;
        std::uint32_t kind = k < plain ? (static_cast<std::size_t>(k) < kinds.size() ? kinds[k] : 0) : snap_intersection;
        if (kind == 0)
          kind = snap_nearest;
        snap_results_.push_back(snap_result{p, p.distanceTo(centre), kind, e.handle});
      }
      if (!points.isEmpty())
        sort_snap_results(snap_results_, eq);
    }
    examined = i + 1;
    if (timing && examined % 32 == 0) {
      const std::uint64_t t = clock_->now_us(static_cast<std::uint32_t>(examined - examinedAtClock));
      examinedAtClock = examined;
      if (t - start > 30000)
        break;
    }
  }
  sort_snap_results(snap_results_, eq);
  if (!filter)
    snap_results_.push_back(snap_result{centre, 0.0, snap_none, no_handle});
  add_message(msg_stats, 0, "POINTS FOUND: %i / %.3f ms", static_cast<int>(snap_results_.size()),
              (clock_->now_us(static_cast<std::uint32_t>(examined - examinedAtClock)) - start) / 1000.0);
  if (!snap_results_.empty())
    add_message(msg_stats, 0, "POINTS %.3f, %.3f", snap_results_[0].point.x, snap_results_[0].point.y);
  return snap_results_.size();
}

bool view::next_snap_point(GcGePoint2d& point) {
  if (snap_results_.empty())
    return false;
  snap_index_ = snap_index_ + 1 >= snap_results_.size() ? 0 : snap_index_ + 1;
  restage(stage_snap);
  point = snap_results_[snap_index_].point;
  return true;
}

} // namespace GDI
