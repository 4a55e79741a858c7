// The host's drawing as a picture, painted by the module's preview renderer.
#pragma once
#include <map>
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/drawing.h"
#include "hostsim/variable.h"

namespace vdhost {

// Paints every block and top-level entity the renderer knows into a
// width × height picture, zoomed to the drawing's extents on a white ground,
// and writes it as PNG. Dimensions show their regenerated pieces, drawn with
// the host's dimension settings (`variables`, `environment`: DIMSCALE,
// DIMDEC, ...) where their style is the current one. False with a reason
// when nothing could be written.
bool saveDrawingPicture(const hostsim::Drawing& drawing, const std::string& path, int width, int height,
                        std::string& error, const std::map<hostsim::vstring, hostsim::Variable>& variables = {},
                        const std::map<hostsim::vstring, hostsim::vstring>& environment = {});

// Paints the drawing as saveDrawingPicture does and gives the PNG file's
// bytes; false with a reason when it could not be painted.
bool drawingPicturePng(const hostsim::Drawing& drawing, int width, int height, std::vector<uint8_t>& png,
                       std::string& error, const std::map<hostsim::vstring, hostsim::Variable>& variables = {},
                       const std::map<hostsim::vstring, hostsim::vstring>& environment = {});

}  // namespace vdhost
