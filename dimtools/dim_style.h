// Re-applying the current dimension style to the dimension just made: a host
// of CAD type 3 takes a command line; the others take their dimension-style
// commands through the "alt_send" export of their program module.
#pragma once

namespace vd::dim {

// The program modules that export "alt_send": the one of CAD type 0, and the
// one of every other type but 3.
inline constexpr const char* kAltSendModuleType0 = "VeldraLT.exe";
inline constexpr const char* kAltSendModuleOther = "Veldra2d.arx";
inline constexpr const char* kAltSendExport = "alt_send";

// What the command line of a type-3 host and the three texts of alt_send are.
inline constexpr const char16_t* kDimUpdateScript = u"_dim1\n_update\n_L\n\n";
inline constexpr const char* kAltSendTexts[] = {"_-dimstyle ", "_apply ", "_last \n"};

// "alt_send" as the host program exports it: one 8-bit text.
using AltSend = void (*)(const char* text);

// Finds "alt_send" in a module already loaded in the process (never loads
// one); null when the module or the export is missing. The Windows build
// installs the real lookup; without one nothing is found.
using AltSendFinder = AltSend (*)(const char* moduleName);
void setAltSendFinder(AltSendFinder finder);

// Sends the host the request to give the last dimension the current
// dimension style. Always 1: the host's reaction is not observed.
int reapplyDimStyle();

}  // namespace vd::dim
