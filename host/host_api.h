// The table of host operations, bound by name from the host module at start-up.
//
// Every call into the host goes through hostCall / hostCallOr below: a missing
// table or a missing entry turns the call into a silent failure, never a crash.
#pragma once
#include <cstdint>

#include "host/text.h"
#include "host/value_node.h"

namespace vd {

using HostWindow = void*;  // HWND on Windows
using HostIcon = void*;    // HICON on Windows

// One keyword offered at a point prompt: the local and global names and a help text.
struct HostKeyword {
  const vchar* local;
  const vchar* global;
  const vchar* help;
};
struct HostKeywordSet {
  int count;
  const HostKeyword* items;
};
constexpr int kKeywordBufferChars = 256;  // capacity of GetPointKwdW's keyword output

// What FindLayerInfoA fills for a layer it finds. The caller sets `size` to
// the size it provides; the module reads the colour number only (negative
// for a layer that is off, as drawings keep it).
struct HostLayerRecord {
  int32_t size;
  int32_t colour;
};

// Signatures of the host's exports. Strings are UTF-16 unless the name ends in A.
namespace hostfn {
using GetExternProduct = int (*)();
using GetAcadType = int (*)();
using GetUserDatPath = const vchar* (*)();
using GetCadHWND = HostWindow (*)();

using ShowHelpW = int (*)(const vchar* topic, int, int, int);
using GetAppIcon = HostIcon (*)();
using GetScale = double (*)();
using GetUnits = double (*)();
using GetVarW = ValueNode* (*)(const vchar* name, int resultKind);
using GetVarStrW = int (*)(const vchar* name, vchar* buffer, int capacity);
using GetVarStrA = int (*)(const char* name, char* buffer, int capacity);
using GetEnvStrW = int (*)(const vchar* name, vchar* buffer, int capacity);
using GetEnvStrA = int (*)(const char* name, char* buffer, int capacity);
using LoadStringDBW = int (*)(int id, vchar* buffer, int capacity);
using LoadStringDBA = int (*)(int id, char* buffer, int capacity);
using LocalizeDlg = int (*)(HostWindow dialog, int templateId);
using GetLayerKeyW = int (*)(int key, vchar* buffer, int capacity, int);
using GetLayerKeyFromName = int (*)(const vchar* layerName);
using Wcs2Ucs = int (*)(double* point, int toWorld, int);
using ColorExtFunctionW = int (*)(HostWindow parent, int mode, uint32_t* colour, uint32_t* rgb,
                                  vchar* text, int textLength);
using ColorExtFunctionA = int (*)(HostWindow parent, int mode, uint32_t* colour, uint32_t* rgb,
                                  char* text, int textLength);
using CreateLayerW = int (*)(const vchar* layerName, int);
using GetLayerKeyInfoW = int (*)(int key, vchar* buffer, int capacity);
using FindLayerInfoA = int (*)(const char* layerName, void* record);
using GetTextStylesA = char** (*)(int* count);
using GetTextExtentsW = int (*)(const vchar* text, const vchar* style, double height,
                                double widthFactor, double* width, double* heightOut);
using GetArrowHandleW = int (*)(const vchar* blockName, vchar* handle);
using CommandW = int (*)(const vchar* script);
using GetPointW = int (*)(const double* base, const vchar* prompt, double* point);
using GetPointKwdW = int (*)(const double* base, const vchar* prompt, double* point,
                             const HostKeywordSet* keywords, vchar* keyword, int, int);
using GetRealW = int (*)(const vchar* prompt, double* value);
using DictionaryOpenW = intptr_t (*)(intptr_t parent, const vchar* name, int create, int);
using DictionaryNextW = ValueNode* (*)(intptr_t dictionary, vchar* key, int first);
using DictionaryAddW = int (*)(intptr_t dictionary, const vchar* key, ValueNode* chain, int);
using DictionaryClose = int (*)(intptr_t dictionary, int);
using NextBindHandle = int (*)(vchar* handle);
using Header_bin = int (*)();
using BlkmakeHead_binW = int (*)(const vchar* name, int flags, double* x, double* y, double* z);
using BlkmakeEnt_binW = int (*)(ValueNode* chain);
using BlkmakeEnd_binW = int (*)(const vchar* name);
using Entmake_binW = int (*)(ValueNode* chain, int);
using Flush_bin = int (*)(int);
using EraseHandles = int (*)(const vchar* const* handles, int count, int);
using SSGetW = int (*)(int mode, const vchar* prompt, ValueNode* filter, int);
using EntnextW = ValueNode* (*)(int first, int);
using BlknextW = ValueNode* (*)(int first);
using PromptW = int (*)(const vchar* text);
using Jig = int (*)(void* dragRecord, int);
using HighlightGlyph = int (*)(void* glyphRecord);
using UpdateTransient = int (*)(void*);
using SetColorDialogTrueColor = int (*)(void* colourRecord);
using LeaderAnno = int (*)(uint64_t* annotationHandle, uint64_t* leaderHandle, int);
using DimArcEntry = int (*)(int mode, int flag);
using DimArcEntryExit = int (*)();
using Vd2dLayerDev2LangW = int (*)(vchar* layerName, int capacity, int);
using Vd2dKeyLayerMappedA = int (*)(const char* key, char* buffer, int capacity, int);
using Vd2dGetStoredData = int (*)(void*);
using VdRcFillComboLayer = int (*)(HostWindow combo, int);
using VdRcLayerDlg = int (*)(int, int, int);
}  // namespace hostfn

// 56 pointer-sized entries: the host module handle, then the 55 operations in slot order.
struct HostApi {
  void* module;                                       // 0
  hostfn::ShowHelpW ShowHelpW;                        // 1
  hostfn::GetAppIcon GetAppIcon;                      // 2
  hostfn::GetScale GetScale;                          // 3
  hostfn::GetUnits GetUnits;                          // 4
  hostfn::GetVarW GetVarW;                            // 5
  hostfn::GetVarStrW GetVarStrW;                      // 6
  hostfn::GetVarStrA GetVarStrA;                      // 7
  hostfn::GetEnvStrW GetEnvStrW;                      // 8
  hostfn::GetEnvStrA GetEnvStrA;                      // 9
  hostfn::LoadStringDBW LoadStringDBW;                // 10
  hostfn::LoadStringDBA LoadStringDBA;                // 11
  hostfn::LocalizeDlg LocalizeDlg;                    // 12
  hostfn::GetLayerKeyW GetLayerKeyW;                  // 13
  hostfn::GetLayerKeyFromName GetLayerKeyFromName;    // 14
  hostfn::Wcs2Ucs Wcs2Ucs;                            // 15
  hostfn::ColorExtFunctionW ColorExtFunctionW;        // 16
  hostfn::ColorExtFunctionA ColorExtFunctionA;        // 17
  hostfn::CreateLayerW CreateLayerW;                  // 18
  hostfn::GetLayerKeyInfoW GetLayerKeyInfoW;          // 19
  hostfn::FindLayerInfoA FindLayerInfoA;              // 20
  hostfn::GetTextStylesA GetTextStylesA;              // 21
  hostfn::GetTextExtentsW GetTextExtentsW;            // 22
  hostfn::GetArrowHandleW GetArrowHandleW;            // 23
  hostfn::CommandW CommandW;                          // 24
  hostfn::GetPointW GetPointW;                        // 25
  hostfn::GetPointKwdW GetPointKwdW;                  // 26
  hostfn::GetRealW GetRealW;                          // 27
  hostfn::DictionaryOpenW DictionaryOpenW;            // 28
  hostfn::DictionaryNextW DictionaryNextW;            // 29
  hostfn::DictionaryAddW DictionaryAddW;              // 30
  hostfn::DictionaryClose DictionaryClose;            // 31
  hostfn::NextBindHandle NextBindHandle;              // 32
  hostfn::Header_bin Header_bin;                      // 33
  hostfn::BlkmakeHead_binW BlkmakeHead_binW;          // 34
  hostfn::BlkmakeEnt_binW BlkmakeEnt_binW;            // 35
  hostfn::BlkmakeEnd_binW BlkmakeEnd_binW;            // 36
  hostfn::Entmake_binW Entmake_binW;                  // 37
  hostfn::Flush_bin Flush_bin;                        // 38
  hostfn::EraseHandles EraseHandles;                  // 39
  hostfn::SSGetW SSGetW;                              // 40
  hostfn::EntnextW EntnextW;                          // 41
  hostfn::BlknextW BlknextW;                          // 42
  hostfn::PromptW PromptW;                            // 43
  hostfn::Jig Jig;                                    // 44
  hostfn::HighlightGlyph HighlightGlyph;              // 45
  hostfn::UpdateTransient UpdateTransient;            // 46
  hostfn::SetColorDialogTrueColor SetColorDialogTrueColor;  // 47
  hostfn::LeaderAnno LeaderAnno;                      // 48
  hostfn::DimArcEntry DimArcEntry;                    // 49
  hostfn::DimArcEntryExit DimArcEntryExit;            // 50
  hostfn::Vd2dLayerDev2LangW Vd2dLayerDev2LangW;      // 51
  hostfn::Vd2dKeyLayerMappedA Vd2dKeyLayerMappedA;    // 52
  hostfn::Vd2dGetStoredData Vd2dGetStoredData;        // 53
  hostfn::VdRcFillComboLayer VdRcFillComboLayer;      // 54
  hostfn::VdRcLayerDlg VdRcLayerDlg;                  // 55
};

constexpr int kHostApiSlots = 56;
static_assert(sizeof(HostApi) == kHostApiSlots * sizeof(void*), "56 pointer-sized entries");

// How a slot is bound.
enum class Need : uint8_t {
  Required,          // binding fails without it
  Optional,          // bound when present
  ProductOne,        // required when HostProduct is 1, else optional
  ProductTwo,        // required when HostProduct is 2, else optional
};
struct HostSlot {
  int slot;
  const char* name;
  Need need;
};
// The 55 operations in slot order (slot 1 first).
extern const HostSlot kHostSlots[kHostApiSlots - 1];

// Values bound with the table.
struct HostBinding {
  HostApi* api = nullptr;  // owned; null until a successful bind
  int product = 0;         // HostProduct
  int cadType = 3;         // HostCadType
  vstring userDataPath;
  HostWindow mainWindow = nullptr;
};
HostBinding& hostBinding();
inline HostApi* hostApi() { return hostBinding().api; }

// Looks an export up by name in the host module; null when it is not there.
using ExportResolver = void* (*)(void* context, const char* name);

// Binds the table as start-up does. Returns true when the table exists
// afterwards (also when it already existed: a second call binds nothing).
bool bindHost(void* hostModule, ExportResolver resolve, void* context);

// Drops the table and resets the bound values; for tests that bind again.
void unbindHost();

// Calls a table entry when table and entry exist; otherwise returns the fallback.
template <auto Member, typename R, typename... Args>
R hostCallOr(R fallback, Args... args) {
  HostApi* api = hostApi();
  if (!api || !(api->*Member)) return fallback;
  return static_cast<R>((api->*Member)(args...));
}

// Calls a table entry for its effect; false when there was nothing to call.
template <auto Member, typename... Args>
bool hostCall(Args... args) {
  HostApi* api = hostApi();
  if (!api || !(api->*Member)) return false;
  (api->*Member)(args...);
  return true;
}

template <auto Member>
bool hostHas() {
  HostApi* api = hostApi();
  return api && (api->*Member);
}

}  // namespace vd
