// The host's drawing as a picture, painted by the module's preview renderer.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/drawing.h"
#include "hostsim/variable.h"

namespace vdhost {

// The part of the drawing a picture shows: x0, y0, x1, y1 in drawing units,
// fitted into the picture with its aspect kept; none: the drawing's extents
// with a margin of 5 %.
using PictureWindow = std::optional<std::array<double, 4>>;

// Paints every block and top-level entity the renderer knows into a
// width × height picture of `window` on a white ground, and writes it as PNG. Dimensions show their regenerated pieces, drawn with
// the host's dimension settings (`variables`, `environment`: DIMSCALE,
// DIMDEC, ...) where their style is the current one. False with a reason
// when nothing could be written.
bool saveDrawingPicture(const hostsim::Drawing& drawing, const std::string& path, int width, int height,
                        std::string& error, const std::map<hostsim::vstring, hostsim::Variable>& variables = {},
                        const std::map<hostsim::vstring, hostsim::vstring>& environment = {},
                        const PictureWindow& window = std::nullopt);

// Paints the drawing as saveDrawingPicture does and gives the PNG file's
// bytes; false with a reason when it could not be painted.
bool drawingPicturePng(const hostsim::Drawing& drawing, int width, int height, std::vector<uint8_t>& png,
                       std::string& error, const std::map<hostsim::vstring, hostsim::Variable>& variables = {},
                       const std::map<hostsim::vstring, hostsim::vstring>& environment = {},
                       const PictureWindow& window = std::nullopt);

}  // namespace vdhost
