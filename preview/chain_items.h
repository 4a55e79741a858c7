#pragma once
// Display-list items read from entity chains (DXF-style group codes), so that
// a drawing held as chains can be fed to a view's factories one chain at a
// time. No Windows types: the view turns each item into one factory call.
#include "geom/curve2d.h"
#include "geom/scale2d.h"
#include "host/value_node.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace GDI {

struct chain_item {
  enum class kind { curve, solid, text, insert };
  kind what = kind::curve;
  // Curve: the curve or point entity. Solid: one closed boundary loop.
  std::unique_ptr<GcGeEntity2d> geometry;
  // Colour pair: palette_colour(62) for an index, the RGB of code 420 when given.
  std::uint64_t colour = 0;
  std::string linetype;                 // code 6; empty: continuous
  // Text: insertion point, direction, height and alignment codes.
  std::u16string text;
  GcGePoint2d position;                 // text insertion or reference position
  GcGeVector2d direction = GcGeVector2d::kXAxis;
  double height = 0.0;
  std::uint32_t vertical = 0;
  std::uint32_t horizontal = 0;
  // Block reference: key of the block name and scale.
  std::uint64_t block_key = 0;
  GcGeScale2d scale;
};

// Key a block is known by in the view's block table: a 64-bit hash of its
// name, letters compared without case.
std::uint64_t block_key(std::u16string_view name);

// The item of LINE, CIRCLE, ARC, LWPOLYLINE (with bulges), POINT, SOLID, TEXT,
// ATTRIB and INSERT chains; nothing for other types or incomplete chains.
// Angles (ARC 50 and 51, TEXT, ATTRIB and INSERT 50) are radians, as chains
// hold them.
std::optional<chain_item> item_from_chain(const vd::ValueNode* chain);

} // namespace GDI
