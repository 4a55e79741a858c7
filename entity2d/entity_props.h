// The properties every drawing entity carries (layer, linetype, colour,
// transparency...), read from and written back to its chain.
#pragma once
#include <cstdint>

#include "host/chain.h"

namespace vd {

// How group 440 states the transparency.
enum TransparencyMode : int32_t {
  kTransparencyByLayer = 0,
  kTransparencyByBlock = 1,
  kTransparencyExplicit = 2,
};

// Which defaults a reset puts in place: those of an entity of its own, or
// those of an entity that takes its linetype, colour and lineweight from the
// block reference it lies in.
enum class PropsReset { Normal, ByBlock };

// Texts point into the chain the properties were read from and are not owned:
// the object that holds the chain keeps them alive.
struct EntityProps {
  const vchar* layer = nullptr;         // 8
  const vchar* linetype = nullptr;      // 6
  uint32_t colour = 256;                // 62
  uint32_t trueColour = 0;              // 420
  int32_t transparencyMode = kTransparencyByLayer;  // 440
  int32_t transparencyPercent = 0;      // 440
  int32_t lineweight = -1;              // 370, low byte signed
  double linetypeScale = 1.0;           // 48
  int16_t visibility = 0;               // 60
  int32_t space = 0;                    // 67, 0 model space
  const vchar* layoutName = nullptr;    // 410, read only when space is non-zero
  const ValueNode* extendedData = nullptr;  // first node with a code of 1000 or more
  const vchar* handle = nullptr;        // 5
  // The nodes between 102 "{ACAD_REACTORS" and its 102 "}": from `reactors`
  // up to, not including, `reactorsEnd`. Null when the chain has none.
  const ValueNode* reactors = nullptr;
  const ValueNode* reactorsEnd = nullptr;

  EntityProps() { reset(PropsReset::Normal); }

  void reset(PropsReset mode);
  // Resets to the defaults of `mode`, then reads the chain's values. With
  // `inherit`, a chain without group 67 keeps the space and layout name held
  // before; the caller keeps the chain they point into alive.
  void parse(ChainView chain, PropsReset mode = PropsReset::Normal, bool inherit = false);

  // A colour value of the settings and dialogs (top byte 0: a colour number;
  // 0x01BBGGRR: a true colour) as groups 62 and 420: a true colour goes into
  // 420 (0x00RRGGBB) with the nearest palette colour in 62, for programs
  // that read only 62.
  void setColourValue(uint32_t value);
  // The colour value the properties stand for: the true colour of 420 when
  // there is one, else the colour number of 62.
  uint32_t colourValue() const;

  bool hasReactors() const { return reactors != nullptr || reactorsEnd != nullptr; }
  // Group 440 as written: mode 1 or 2 in the high byte, for mode 2 the opacity
  // in the low byte; 0 for mode 0.
  int32_t transparencyValue() const;
  // Decodes group 440 into mode and percent.
  void setTransparency(int32_t value);
};

}  // namespace vd
