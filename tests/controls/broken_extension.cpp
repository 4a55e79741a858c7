// A layer-settings extension without its entry point: the export is named
// otherwise, as in a damaged or foreign file of the extension's name.
extern "C" __declspec(dllexport) int extensionLayerProcedure(int, void*) { return 1; }
