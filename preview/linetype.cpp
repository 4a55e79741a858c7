#include "preview/linetype.h"

#include <cctype>
#include <cmath>

namespace GDI {

void linetype::append(double length) {
  const std::uint8_t dash = length >= 0.0 ? 1 : 0;
  const double len = std::abs(length);
  total += len;
  if (!dashes.empty() && dashes.back() == dash) {
    lengths.back() += len;
    return;
  }
  lengths.push_back(len);
  dashes.push_back(dash);
}

bool linetype::applies(double pixelSize) const {
  return !lengths.empty() && total / static_cast<double>(lengths.size()) > 0.5 * pixelSize;
}

void linetype::dash_segment(const GcGePoint2d& p, const GcGePoint2d& q, double a, double b, double scale,
                            GcGePoint2dArray& out) const {
  if (total <= 0.0 || scale <= 0.0 || lengths.empty()) {
    out.append(p);
    out.append(q);
    return;
  }
  const double span = (b - a) / scale;
  if (!(span >= 0.0))
    return;
  const double x = a / scale, y = x + span;
  // A segment with length, but none left in the running length (it was
  // rounded away far along a polyline), counts as lying far along below.
  if (span == 0.0 && p.isEqualTo(q))
    return;
  // More repeats than any picture can show, or positions so far along that
  // adding an element no longer moves them: the dashes would merge into the
  // line anyway, so it is drawn whole.
  if (!(span / total <= kMaxRepeats) || !(y > x) || !(x + total > x) || !(y - total < y)) {
    out.append(p);
    out.append(q);
    return;
  }
  const GcGeVector2d step = (q - p) / (y - x);
  auto at = [&](double s) { return p + step * (s - x); };

  double phase = std::fmod(x, total);
  if (phase < 0.0)
    phase += total;
  const std::size_t n = lengths.size();
  std::size_t i = 0;
  double sum = 0.0;
  for (; i < n; ++i) {
    sum += lengths[i];
    if (sum > phase)
      break;
  }
  if (i == n) { // phase rounded up to the pattern length: start over
    i = 0;
    sum = lengths[0];
    phase = 0.0;
  }
  double pos = x;
  double end = std::min(x + (sum - phase), y);
  if (dashes[i]) {
    out.append(at(pos));
    out.append(at(end));
  }
  pos = end;
  // Every pass over the pattern advances by `total` > 0, so this ends.
  while (pos < y) {
    i = (i + 1) % n;
    end = std::min(pos + lengths[i], y);
    if (dashes[i]) {
      out.append(at(pos));
      out.append(at(end));
    }
    pos = end;
  }
}

namespace {
bool sameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}
} // namespace

int linetype_table::find(std::string_view name) const {
  if (name.empty())
    return -1;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (sameNoCase(items_[i].name, name))
      return static_cast<int>(i);
  return -1;
}

int linetype_table::add(std::string_view name) {
  const int found = find(name);
  if (found >= 0)
    return found;
  items_.push_back(linetype{});
  items_.back().name = std::string(name);
  return size() - 1;
}

} // namespace GDI
