// Text measurement with the real font through GDI.
#include <windows.h>

#include <cmath>

#include "hostsim/text_metrics.h"
#include "ui/gdi.h"
#include "ui/handles.h"
#include "ui/wide_text.h"

namespace hostsim {

namespace {
// Texts are measured at this cell height in pixels and scaled to the
// drawing, so that rounding to whole pixels costs nothing that shows.
constexpr int kMeasureCell = 1000;
}  // namespace

bool measureText(vd::vstring_view text, vd::vstring_view face, double height, double widthFactor, double& width,
                 double& heightOut) {
  if (!(height > 0) || !std::isfinite(height)) return false;
  ui::unique_hdc dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  const std::wstring faceName = ui::toWide(face.substr(0, LF_FACESIZE - 1));
  // A drawing's text height is that of its capitals, as the pictures draw
  // it: the font is measured at a cell height and scaled by its capitals.
  ui::unique_hfont font(CreateFontW(kMeasureCell, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                    faceName.c_str()));
  if (!font) return false;
  ui::select_result selected(dc.get(), font.get());
  const std::wstring wide = ui::toWide(text);
  SIZE size{};
  if (!wide.empty() && !GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size))
    return false;
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(dc.get(), &metrics)) return false;
  const double capitals = ui::capitalShare(dc.get());
  const double unit = height / (kMeasureCell * (capitals > 0 ? capitals : 1.0));
  width = size.cx * unit * (widthFactor > 0 ? widthFactor : 1.0);
  // The box of the glyphs: the capitals and what hangs below the baseline.
  heightOut = height + metrics.tmDescent * unit;
  return true;
}

}  // namespace hostsim
