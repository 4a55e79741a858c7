// Makes the entity object that fits a chain's group 0.
#pragma once
#include <memory>

#include "entity2d/ent2d.h"

namespace vd {

// A new, empty object of the class that handles the entity type (ltUnknown2D
// for types without a class of their own).
std::unique_ptr<ltEnt2D> newEntityFor(vstring_view typeName);

// An object read from a chain: the class of its group 0, or ltUnknown2D when
// that class does not accept the chain (a hatch with spline edges, say).
// Null only for a chain without group 0.
std::unique_ptr<ltEnt2D> makeEntity(const ValueNode* chain);
std::unique_ptr<ltEnt2D> makeEntity(SharedChain* holder);

}  // namespace vd
