// ltEnt2D: a drawing entity seen as plane geometry. An object keeps the chain
// it was read from (shared with the pieces split from it), the common
// properties parsed from that chain, and its geometry; it writes a new chain
// when its geometry changed.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "entity2d/entity_props.h"
#include "entity2d/shared_chain.h"
#include "geom/boundblock2d.h"
#include "geom/curve2d.h"

namespace vd {

class ltEnt2D;
// Objects made by a split; the list owns them.
using EntList = std::vector<std::unique_ptr<ltEnt2D>>;

// Type ids of the subclasses.
enum EntTypeId : int {
  kEntAbscissa = 0,
  kEntArc = 1,
  kEntPolyline = 2,
  kEntEllipse = 3,
  kEntRay = 4,
  kEntLine = 5,
  kEntHatch = 6,
  kEntPoint = 7,
  kEntSolid = 8,
  kEntInsert = 9,
  kEntImage = 10,
  kEntWipeout = 11,
  kEntUnknown = 12,
  kEntText = 13,
  kEntAttDef = 14,
  kEntAttrib = 15,
  kEntMText = 16,
};

// What setChain answers.
enum SetChainResult : int {
  kSetChainOk = 0,
  kSetChainNotMine = 3,  // wrong group 0 or a required code missing
};

// How chain() treats a dirty object.
enum ChainMode : int {
  kChainRegenerateWhenDirty = 0,
  kChainAsHeld = 1,
  kChainRegenerate = 2,
};

class ltEnt2D {
 public:
  ltEnt2D& operator=(const ltEnt2D&) = delete;

  // Slot 0: drops the chain reference; subclasses release their geometry.
  virtual ~ltEnt2D();
  // Slot 1: the held chain as it is, null when there is none.
  virtual ValueNode* currentChain() const;
  // Slot 2: the chain, regenerated first as the mode says; null while the
  // object stays dirty or holds no chain.
  virtual ValueNode* chain(int mode);
  // Slot 3: takes a reference to the holder. With `parse`, the geometry and
  // the properties are read from its chain first; kSetChainNotMine leaves the
  // object as it was.
  virtual int setChain(SharedChain* holder, bool parse);
  // Slot 4: the same with a copy of a plain chain in a new holder.
  virtual int setChain(const ValueNode* chain, bool parse);
  // Slot 5: the geometry as a library curve, null for kinds that are not one curve.
  virtual const GcGeCurve2d* curve() const;
  // Slot 6: the geometry object of curve kinds, null otherwise.
  virtual const GcGeEntity2d* entity() const;
  // Slot 7: writes a new chain from the geometry and properties into a new
  // holder; false (object unchanged, still dirty) when it cannot.
  virtual bool regenerateChain();
  // Slot 8.
  virtual int typeId() const = 0;
  // Slot 9: the pieces of this entity cut by the other's curve, appended as
  // new dirty objects that share this object's holder and properties; their
  // number. A clone and 0 when nothing results.
  virtual int splitBy(const ltEnt2D& cutter, EntList& out);
  // Slot 10: the pieces that survive trimming by the other's curve (see
  // trimByCurve); `removed` tells whether any piece was dropped.
  virtual int splitBy(const ltEnt2D& cutter, EntList& out, bool keepInside, bool* removed,
                      const GcGeVector2d* closingDirection, const GcGeBoundBlock2d* box);
  // Slot 11: same class, geometry, properties and dirty flag; shares the holder.
  virtual ltEnt2D* clone() const = 0;
  // Slots 12 and 13: the common properties.
  virtual EntityProps& props();
  virtual const EntityProps& props() const;
  // Slot 14: applies the matrix to the geometry and marks the object dirty.
  virtual bool transformBy(const GcGeMatrix2d& m);
  // Slot 15: reverses the direction of the curve and marks the object dirty.
  virtual bool reverse();
  // Slot 16: sets the box to the geometry's extents, or widens it with `extend`.
  virtual bool extents(GcGeBoundBlock2d& box, bool extend) const;
  // Slot 17: same type id and equal geometry within the global tolerance.
  virtual bool sameAs(const ltEnt2D& other) const;
  // Slots 18 and 19: entity type and subclass marker of the text and image kinds.
  virtual const vchar* typeName() const;
  virtual const vchar* subclassMarker() const;

  bool isDirty() const { return dirty_; }
  SharedChain* holder() const { return holder_; }

 protected:
  ltEnt2D() = default;
  ltEnt2D(const ltEnt2D& o);
  explicit ltEnt2D(SharedChain* holder);

  // Reads the subclass's geometry from a chain; false when the chain is not
  // of this kind. Called before the holder is taken, so a failure changes nothing.
  virtual bool parseGeometry(ChainView chain) = 0;
  // Writes the entity header and the geometry part of a new chain; `prev` is
  // the chain held so far (codes the object does not keep are copied from
  // it). The base writes nothing and answers false.
  virtual bool buildChain(ChainBuilder& b, ChainView prev) const;
  // Puts a freshly written chain in place of the old holder.
  bool adoptChain(OwnedChain chain);
  void markDirty() { dirty_ = true; }
  ChainView prevChain() const { return holder_ ? holder_->view() : ChainView(); }

  // Shared by every curve kind.
  bool curveExtents(const GcGeCurve2d& c, GcGeBoundBlock2d& box, bool extend) const;

 private:
  SharedChain* holder_ = nullptr;
  EntityProps props_;
  bool dirty_ = true;
};

// Widens (or sets) a box by a point.
void extendBox(GcGeBoundBlock2d& box, bool& started, const GcGePoint2d& p);

}  // namespace vd
