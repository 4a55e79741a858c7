// Text measurement without a font engine: a fixed pitch.
#include <cmath>

#include "hostsim/text_metrics.h"

namespace hostsim {

bool measureText(vd::vstring_view text, vd::vstring_view, double height, double widthFactor, double& width,
                 double& heightOut) {
  if (!(height > 0) || !std::isfinite(height)) return false;
  const double factor = widthFactor > 0 ? widthFactor : 1.0;
  width = static_cast<double>(text.size()) * 0.8 * height * factor;
  heightOut = height;
  return true;
}

}  // namespace hostsim
