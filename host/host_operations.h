// The host operations: the one list from which the host table (HostApi) and
// its binding, the headless host's export declarations and resolver, and the
// host program's export file are made. Signatures are checked at compile
// time against the headless host's exports.
//
// X(slot, name, signature, need), one operation per line, each line
// beginning with "X(": cmake/host_exports.cmake reads the names from those
// lines to write vdhost.def.
//   slot       its entry in HostApi, 1 to 55; 0 for the four operations the
//              binding calls before it fills the table, which keeps none of them
//   signature  the function type; strings are UTF-16 unless the name ends in A
//   need       how the binding treats a missing export (Need in host_api.h)
//
// The list is expanded inside namespace vd, where its types are declared.
#pragma once

#define VD_HOST_BINDING_OPERATIONS(X)                                                              \
  X(0, GetExternProduct, int(), Required)                                                          \
  X(0, GetAcadType, int(), Optional)                                                               \
  X(0, GetUserDatPath, const vchar*(), Required)                                                   \
  X(0, GetCadHWND, HostWindow(), Required)

#define VD_HOST_TABLE_OPERATIONS(X)                                                                \
  X(1, ShowHelpW, int(const vchar* topic, int, int, int), Optional)                                \
  X(2, GetAppIcon, HostIcon(), Required)                                                           \
  X(3, GetScale, double(), Required)                                                               \
  X(4, GetUnits, double(), Required)                                                               \
  X(5, GetVarW, ValueNode*(const vchar* name, int resultKind), Required)                           \
  X(6, GetVarStrW, int(const vchar* name, vchar* buffer, int capacity), Required)                  \
  X(7, GetVarStrA, int(const char* name, char* buffer, int capacity), Optional)                    \
  X(8, GetEnvStrW, int(const vchar* name, vchar* buffer, int capacity), Required)                  \
  X(9, GetEnvStrA, int(const char* name, char* buffer, int capacity), Optional)                    \
  X(10, LoadStringDBW, int(int id, vchar* buffer, int capacity), Required)                         \
  X(11, LoadStringDBA, int(int id, char* buffer, int capacity), Optional)                          \
  X(12, LocalizeDlg, int(HostWindow dialog, int templateId), Required)                             \
  X(13, GetLayerKeyW, int(int key, vchar* buffer, int capacity, int), Required)                    \
  X(14, GetLayerKeyFromName, int(const vchar* layerName), Required)                                \
  X(15, Wcs2Ucs, int(double* point, int toWorld, int), Required)                                   \
  X(16, ColorExtFunctionW,                                                                         \
    int(HostWindow parent, int mode, uint32_t* colour, uint32_t* rgb, vchar* text, int textLength), \
    Required)                                                                                      \
  X(17, ColorExtFunctionA,                                                                         \
    int(HostWindow parent, int mode, uint32_t* colour, uint32_t* rgb, char* text, int textLength),  \
    Optional)                                                                                      \
  X(18, CreateLayerW, int(const vchar* layerName, int), Required)                                  \
  X(19, GetLayerKeyInfoW, int(int key, vchar* buffer, int capacity), Required)                     \
  X(20, FindLayerInfoA, int(const char* layerName, void* record), Required)                        \
  X(21, GetTextStylesA, char**(int* count), Required)                                              \
  X(22, GetTextExtentsW,                                                                           \
    int(const vchar* text, const vchar* style, double height, double widthFactor, double* width,   \
        double* heightOut),                                                                        \
    Required)                                                                                      \
  X(23, GetArrowHandleW, int(const vchar* blockName, uint64_t* handle), Required)                  \
  X(24, CommandW, int(const vchar* script), Required)                                              \
  X(25, GetPointW, int(const double* base, const vchar* prompt, double* point), Required)          \
  X(26, GetPointKwdW,                                                                              \
    int(const double* base, const vchar* prompt, double* point, const HostKeywordSet* keywords,    \
        vchar* keyword, int, int),                                                                 \
    Required)                                                                                      \
  X(27, GetRealW, int(const vchar* prompt, double* value), Required)                               \
  X(28, DictionaryOpenW, intptr_t(intptr_t parent, const vchar* name, int create, int), Required)  \
  X(29, DictionaryNextW, ValueNode*(intptr_t dictionary, vchar* key, int first), Required)         \
  X(30, DictionaryAddW, int(intptr_t dictionary, const vchar* key, ValueNode* chain, int), Required) \
  X(31, DictionaryClose, int(intptr_t dictionary, int), Required)                                  \
  X(32, NextBindHandle, int(vchar* handle), Required)                                              \
  X(33, Header_bin, int(), Required)                                                               \
  X(34, BlkmakeHead_binW, int(const vchar* name, int flags, double* x, double* y, double* z), Required) \
  X(35, BlkmakeEnt_binW, int(ValueNode* chain), Required)                                          \
  X(36, BlkmakeEnd_binW, int(const vchar* name), Required)                                         \
  X(37, Entmake_binW, int(ValueNode* chain, int), Required)                                        \
  X(38, Flush_bin, int(int), Required)                                                             \
  X(39, EraseHandles, int(const vchar* const* handles, int count, int), Required)                  \
  X(40, SSGetW, int(int mode, const vchar* prompt, ValueNode* filter, int), Required)              \
  X(41, EntnextW, ValueNode*(int first, int), Required)                                            \
  X(42, BlknextW, ValueNode*(int first), Required)                                                 \
  X(43, PromptW, int(const vchar* text), Required)                                                 \
  X(44, Jig, int(void* dragRecord, int), Required)                                                 \
  X(45, HighlightGlyph, int(void* glyphRecord), Required)                                          \
  X(46, UpdateTransient, int(void*), Required)                                                     \
  X(47, SetColorDialogTrueColor, int(void* colourRecord), Required)                                \
  X(48, LeaderAnno, int(uint64_t* annotationHandle, uint64_t* leaderHandle, int), Required)        \
  X(49, DimArcEntry, int(int mode, int flag), Required)                                            \
  X(50, DimArcEntryExit, int(), Required)                                                          \
  X(51, Vd2dLayerDev2LangW, int(vchar* layerName, int capacity, int), ProductOne)                  \
  X(52, Vd2dKeyLayerMappedA, int(const char* key, char* buffer, int capacity, int), ProductOne)    \
  X(53, Vd2dGetStoredData, int(void*), ProductOne)                                                 \
  X(54, VdRcFillComboLayer, int(HostWindow combo, int), ProductTwo)                                \
  X(55, VdRcLayerDlg, int(int, int, int), ProductTwo)

// Every operation: the binding's four, then the table's 55 in slot order.
#define VD_HOST_OPERATIONS(X) VD_HOST_BINDING_OPERATIONS(X) VD_HOST_TABLE_OPERATIONS(X)
