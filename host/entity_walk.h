// A walk of the entities the host's selection holds (EntnextW): first from
// the start of the selection, then each following one.
#pragma once
#include <cstddef>

#include "host/value_node.h"

namespace vd {

// The host answers null at the end of the selection, and null again when
// asked once more. A failed call is a null too: after its first null a walk
// asks once more, and an entity then means the walk stopped short of the
// end. What the walk gathered is then not the whole selection, and a
// command that needs the whole (to rebuild, erase or purge what it found)
// must not go on as if it were.
class EntityWalk {
 public:
  // The next entity; null at the end of the walk (or where it stopped short).
  ValueNode* next();
  // After the walk's null: true when it stopped short of the end.
  bool stoppedShort() const { return stoppedShort_; }
  // The entities the walk handed out.
  size_t walked() const { return walked_; }
  // Walks on to the end, then tells whether the walk went through the whole
  // selection. Two failures in a row (the null and the question after it)
  // still look like the end, so the selection is walked once more, counting:
  // it must go as far, which those failures would have to repeat at the
  // same place to fake. A command that acts on what the walk found asks
  // this before it changes the drawing.
  bool whole();

 private:
  bool first_ = true;
  bool ended_ = false;
  bool stoppedShort_ = false;
  size_t walked_ = 0;
};

}  // namespace vd
