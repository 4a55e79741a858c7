// Services every command uses: texts by string id, the error box, the screen scale.
#pragma once
#include "host/text.h"

namespace vd {

// Capacity of the buffer through which every text is loaded from the host.
constexpr int kLoadTextChars = 4096;

// Fills `out` with the host's text for a string id; leaves it empty when the
// host table or its LoadStringDBW entry is missing.
void loadText(int id, vstring& out);
vstring loadText(int id);

// Shows a modal error message owned by the host's main window. The Windows
// build installs the real message box; elsewhere a test can install a recorder.
using ErrorBoxSink = void (*)(const vstring& text);
void setErrorBoxSink(ErrorBoxSink sink);
void errorBox(const vstring& text);

constexpr const vchar* kErrorBoxCaption = u"VELDRA";
constexpr unsigned kErrorBoxFlags = 16;  // OK button with the error icon

// The host's drawing units (GetUnits): the size in drawing units that glyphs
// and marks are measured against; kDefaultDrawingUnits when the host table or
// the entry is missing.
constexpr double kDefaultDrawingUnits = 1000.0;
double drawingUnits();

// Screen scale of the host's main window: pixels per inch / 96, 1.0 until set.
double dpiScale();
void setDpiScale(double scale);

}  // namespace vd
