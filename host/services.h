// Services every command uses: texts by string id, the error box, the screen scale.
#pragma once
#include <string_view>

#include "host/text.h"

namespace vd {

// Capacity of the buffer through which every text is loaded from the host.
constexpr int kLoadTextChars = 4096;

// Fills `out` with the host's text for a string id; leaves it empty when the
// host table or its LoadStringDBW entry is missing.
void loadText(int id, vstring& out);
vstring loadText(int id);

// The host's text for a string id that the caller formats with vformat,
// checked against the conversions the caller passes arguments for, one letter
// each in order ("s" for "%s", "ugdd" for "%u ... %.17g ... %d ... %d"; "%%"
// is none). A text with other conversions would read arguments that were
// never passed, so it gives an empty text, as a text the host lacks does.
vstring loadFormat(int id, std::string_view conversions);

// Shows a modal error message owned by the host's main window. The Windows
// build installs the real message box; elsewhere a test can install a recorder.
using ErrorBoxSink = void (*)(const vstring& text);
void setErrorBoxSink(ErrorBoxSink sink);
void errorBox(const vstring& text);

constexpr const vchar* kErrorBoxCaption = u"VELDRA";
constexpr unsigned kErrorBoxFlags = 16;  // OK button with the error icon

// The host's drawing units (GetUnits): the size in drawing units that glyphs
// and marks are measured against; kDefaultDrawingUnits when the host table or
// the entry is missing, or the answer is not a finite size above 0.
constexpr double kDefaultDrawingUnits = 1000.0;
double drawingUnits();

// The host's current layer: the string variable "CLAYER" (GetVarStrW, up to
// kCurrentLayerChars characters); empty when the host gives none.
constexpr int kCurrentLayerChars = 255;
vstring currentLayerName();

// Screen scale of the host's main window: pixels per inch / 96, 1.0 until set.
double dpiScale();
void setDpiScale(double scale);

}  // namespace vd
