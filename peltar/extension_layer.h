// The layer-settings extension module PELTAR.CRX as the layer-key combo box
// sees it: one entry point, its requests and the buffer they use. The
// module and the extension built by this project both follow this header;
// it needs no Windows header, so the headless host can name the export it
// offers the extension too.
#pragma once

namespace peltar {

// The extension's file, looked for beside the module that loads it.
inline constexpr wchar_t kFileName[] = L"PELTAR.CRX";
// Its single export: int extensionLayerProc(int request, void* buffer),
// nonzero when the request was answered.
inline constexpr char kEntryName[] = "extensionLayerProc";
using EntryPoint = int (*)(int request, void* buffer);

enum Request : int {
  kCurrentLayerText = 1,   // text of the entry standing for the current layer
  kChooserText = 2,        // text of the entry that opens the layer chooser
  kNameFirst = 3,          // int: greater than zero when the layer name is shown before the key
  kInvalidKeyMessage = 5,  // message for a key with a forbidden character or too long
  kEmptyKeyMessage = 6,    // message for an empty key
  kChooseLayers = 7,       // the chooser: the combo box's HWND in, the chosen keys out
  kInvalidNameMessage = 8  // message for a layer name with a forbidden character
};

// Every buffer the module passes holds this many bytes. Texts come back as
// zero-terminated Windows-1250 strings that fit in it; request 3 fills an
// int at its start; request 7 finds the combo box's window handle at its
// start and writes the chosen keys over it, separated by kKeySeparator.
inline constexpr int kBufferBytes = 4096;
inline constexpr char kKeySeparator = '?';

// Dialog template of the chooser in the extension's resources; a dialog
// driver tells the chooser by it.
inline constexpr int kChooserTemplate = 7100;
inline constexpr int kChooserList = 7101;

// What the extension asks the host program for to list the drawing's
// layers: an export of the program itself (not of the module's host table),
//   int Vd2dLayerEntryW(int index, wchar_t* name, int nameCapacity, wchar_t* key, int keyCapacity)
// fills the name and the key (empty when the layer has none) of the layer at
// `index` (0 first) and returns 1, or returns 0 past the last layer.
inline constexpr char kHostLayerEntryExport[] = "Vd2dLayerEntryW";

}  // namespace peltar
