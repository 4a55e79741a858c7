// What the host does to entities on its own: it drags them where the user
// drops them (Jig) and ties a leader to the annotation it points at
// (LeaderAnno); and the lines and arrowhead a LEADER shows.
#pragma once
#include <string>
#include <vector>

#include "host/chain.h"
#include "hostsim/drawing.h"

namespace hostsim {

// Moves a top-level entity by (dx, dy): the groups that place it, those of
// its followers (attributes, vertices), and the last vertex of every leader
// tied to it, so that the leader still reaches it. Each entity keeps its
// handle. False with the reason when there is no such entity or the host
// cannot drag its type (a HATCH).
bool moveEntity(Drawing& drawing, vd::vstring_view handle, double dx, double dy, std::string& why);

// Ties a leader to its annotation: the LEADER's 340 names the annotation's
// handle (DXF's associated annotation), replacing one it named before.
// False with the reason when either is missing or the first is no LEADER.
bool tieLeader(Drawing& drawing, vd::vstring_view leader, vd::vstring_view annotation, std::string& why);

// The annotation a leader is tied to; empty when none.
vd::vstring tiedAnnotation(vd::ChainView leader);

// The arrowhead a LEADER is drawn with: the block its dimension-style
// override names (extended data "ACAD" DSTYLE, DIMLDRBLK 341 with a 1005
// handle), else its dimension style's, else the closed filled arrow; its
// length DIMASZ (41) times DIMSCALE (40), overridden or from the style,
// 2.5 and 1 when neither gives them.
struct LeaderArrow {
  bool shown = true;       // 71 is not 0
  const Block* block = nullptr;  // null: the closed filled arrow
  double length = 2.5;
};
LeaderArrow leaderArrow(const Drawing& drawing, vd::ChainView leader);

// What a LEADER shows, as chains the picture draws: its path as a
// polyline and its arrowhead at the first vertex, pointing away from the
// second (a reference to the arrowhead's block, or a filled triangle for
// the closed filled arrow), both in the leader's layer, colour and linetype.
// Nothing for a leader of fewer than two vertices.
std::vector<vd::OwnedChain> leaderDrawing(const Drawing& drawing, vd::ChainView leader);

}  // namespace hostsim
