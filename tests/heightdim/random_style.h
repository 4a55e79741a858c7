// Height-mark settings as a user may choose them: every field the settings
// dialog edits, off its default, in numbers with few digits so that the
// settings file gives them back exactly. The choices come from `pick`, a
// random generator in a property test, the input in the command fuzzer.
#pragma once
#include <cmath>
#include <cstdint>
#include <functional>

#include "heightdim/settings.h"
#include "host/terminator_shapes.h"

namespace vdtest {

struct StyleDice {
  std::function<int(int)> pick;  // 0 .. n-1

  bool coin() { return pick(2) == 1; }
  double in(double lo, double hi, double step) {
    const int steps = static_cast<int>(std::lround((hi - lo) / step));
    return lo + step * pick(steps + 1);
  }
  // ByLayer, ByBlock, an index colour or a true colour.
  int32_t colour() {
    switch (pick(5)) {
      case 0: return 256;
      case 1: return 0x01000000 | (pick(256) << 16) | (pick(256) << 8) | pick(256);
      case 2: return 0;
      default: return 1 + pick(255);
    }
  }
  void fill(vd::HNoteData& r) {
    const vd::vstring layers[] = {u"*", u"KOTY", u"Výšky", u"0"};
    r.layer = layers[pick(4)];
    r.layerText = layers[pick(4)];
    r.textStyle = coin() ? u"STANDARD" : u"ISOCP";
    r.colorText = colour();
    r.colorDim = colour();
    r.textHeight = in(0.5, 8, 0.25);
    r.textWidth = in(0.4, 1.6, 0.1);
    r.backgroundMask = coin();
    r.backgroundMaskDwg = coin();
    r.backgroundMaskColor = 1 + pick(255);
    r.delim = coin() ? u"," : u".";
    const double steps[] = {0.001, 0.005, 0.01, 0.05, 0.1};
    r.numAlign = steps[pick(5)];
    r.positivePlus = pick(2);
    r.plusMinusZero = pick(2);
    r.roundingMark = pick(2);
    r.lvertLen = in(2, 15, 0.5);
    r.lhorzLen = in(5, 25, 0.25);
    r.arrowIndex = pick(6);
    r.hxLen = in(1, 6, 0.25);
    r.hyLen = in(0.5, 4, 0.25);
    r.textDistX = in(-2, 3, 0.25);
    r.textDistY = in(0.25, 2, 0.25);
    r.underlineDraw = coin();
    r.underlineLength = in(2, 20, 0.5);
    r.cxSize = in(5, 30, 0.5);
    r.cySize = in(3, 12, 0.5);
    r.hSize = in(0.25, 3, 0.25);
    const auto& terminators = vd::standardTerminators();
    r.arrowName = vd::vstring(terminators[static_cast<size_t>(pick(static_cast<int>(terminators.size())))].name);
    r.insPt = pick(7);
  }
};

}  // namespace vdtest
