// How the host measures one line of text for GetTextExtentsW: with the font
// of the text style, in drawing units.
#pragma once
#include "host/text.h"
#include "hostsim/drawing.h"

namespace hostsim {

// The face the drawing's pictures draw texts with, and what a text style
// without a TrueType font of its own is measured with.
inline constexpr const char16_t* kDefaultTextFace = u"Verdana";

// The font face of a text style: the file name, without its extension, of the
// TrueType font its STYLE record names (group 3), compared without case;
// kDefaultTextFace for a shape font, no font, or a style the drawing lacks.
vd::vstring textStyleFace(const Drawing& drawing, vd::vstring_view style);

// Width and height of the text in `face` at `height` drawing units (the
// font's cell height), the width times `widthFactor` (1 when not positive).
// In the Windows build the text is measured with GDI; elsewhere each
// character counts 0.8 of the height. False for a height that is not a
// positive number or when the font cannot be made.
bool measureText(vd::vstring_view text, vd::vstring_view face, double height, double widthFactor, double& width,
                 double& heightOut);

}  // namespace hostsim
