#include "host/highlight_glyph.h"

#include <cmath>
#include <cstring>

#include "host/host_api.h"
#include "host/services.h"

namespace vd {

namespace {

// The host's view twist in radians; 0 when it has no such variable.
double viewTwist() {
  ValueNode* n = hostCallOr<&HostApi::GetVarW>(static_cast<ValueNode*>(nullptr), u"VIEWTWIST", static_cast<int>(kRtReal));
  return n ? n->v.real : 0.0;
}

}  // namespace

HighlightGlyph HighlightGlyph::cross(ChainPoint centre, double arm, double viewTwist, int style) {
  HighlightGlyph g;
  g.colour_ = glyphStyleColour(style);
  const double c = std::cos(viewTwist), s = std::sin(viewTwist);
  const double corners[4][2] = {{arm, arm}, {arm, -arm}, {-arm, -arm}, {-arm, arm}};
  g.coordinates_.reserve(7 * 3);
  for (int i = 0; i < 4; ++i) {
    if (i > 0) g.coordinates_.insert(g.coordinates_.end(), {centre.x, centre.y, centre.z});
    // Turned by minus the twist.
    const double dx = corners[i][0], dy = corners[i][1];
    g.coordinates_.insert(g.coordinates_.end(), {centre.x + dx * c + dy * s, centre.y - dx * s + dy * c, centre.z});
  }
  return g;
}

HighlightGlyph HighlightGlyph::crossAt(ChainPoint centre, int style) {
  return cross(centre, kGlyphArmShare * drawingUnits(), viewTwist(), style);
}

ChainPoint HighlightGlyph::point(int i) const {
  const double* p = coordinates_.data() + 3 * static_cast<size_t>(i);
  return ChainPoint{p[0], p[1], p[2]};
}

HighlightGlyphRecord HighlightGlyph::record() {
  HighlightGlyphRecord r;
  std::memset(&r, 0, sizeof r);
  r.size = static_cast<int32_t>(sizeof r);
  r.flags[0] = 1;
  r.flags[1] = 1;
  r.pointCount = pointCount();
  r.result = &result_;
  r.points = coordinates_.empty() ? nullptr : coordinates_.data();
  r.factor0 = 1.0;
  r.colour = colour_;
  r.factor1 = 1.0;
  return r;
}

bool HighlightGlyph::show() {
  HighlightGlyphRecord r = record();
  return hostCall<&HostApi::HighlightGlyph>(static_cast<void*>(&r));
}

}  // namespace vd
