// The host's drawing as a picture, painted by the module's preview renderer.
#pragma once
#include <string>

#include "hostsim/drawing.h"

namespace vdhost {

// Paints every block and top-level entity the renderer knows into a
// width × height picture, zoomed to the drawing's extents on a white ground,
// and writes it as PNG. False with a reason when nothing could be written.
bool saveDrawingPicture(const hostsim::Drawing& drawing, const std::string& path, int width, int height,
                        std::string& error);

}  // namespace vdhost
