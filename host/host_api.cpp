#include "host/host_api.h"

#include <cstring>

namespace vd {

const HostSlot kHostSlots[kHostApiSlots - 1] = {
    {1, "ShowHelpW", Need::Optional},
    {2, "GetAppIcon", Need::Required},
    {3, "GetScale", Need::Required},
    {4, "GetUnits", Need::Required},
    {5, "GetVarW", Need::Required},
    {6, "GetVarStrW", Need::Required},
    {7, "GetVarStrA", Need::Optional},
    {8, "GetEnvStrW", Need::Required},
    {9, "GetEnvStrA", Need::Optional},
    {10, "LoadStringDBW", Need::Required},
    {11, "LoadStringDBA", Need::Optional},
    {12, "LocalizeDlg", Need::Required},
    {13, "GetLayerKeyW", Need::Required},
    {14, "GetLayerKeyFromName", Need::Required},
    {15, "Wcs2Ucs", Need::Required},
    {16, "ColorExtFunctionW", Need::Required},
    {17, "ColorExtFunctionA", Need::Optional},
    {18, "CreateLayerW", Need::Required},
    {19, "GetLayerKeyInfoW", Need::Required},
    {20, "FindLayerInfoA", Need::Required},
    {21, "GetTextStylesA", Need::Required},
    {22, "GetTextExtentsW", Need::Required},
    {23, "GetArrowHandleW", Need::Required},
    {24, "CommandW", Need::Required},
    {25, "GetPointW", Need::Required},
    {26, "GetPointKwdW", Need::Required},
    {27, "GetRealW", Need::Required},
    {28, "DictionaryOpenW", Need::Required},
    {29, "DictionaryNextW", Need::Required},
    {30, "DictionaryAddW", Need::Required},
    {31, "DictionaryClose", Need::Required},
    {32, "NextBindHandle", Need::Required},
    {33, "Header_bin", Need::Required},
    {34, "BlkmakeHead_binW", Need::Required},
    {35, "BlkmakeEnt_binW", Need::Required},
    {36, "BlkmakeEnd_binW", Need::Required},
    {37, "Entmake_binW", Need::Required},
    {38, "Flush_bin", Need::Required},
    {39, "EraseHandles", Need::Required},
    {40, "SSGetW", Need::Required},
    {41, "EntnextW", Need::Required},
    {42, "BlknextW", Need::Required},
    {43, "PromptW", Need::Required},
    {44, "Jig", Need::Required},
    {45, "HighlightGlyph", Need::Required},
    {46, "UpdateTransient", Need::Required},
    {47, "SetColorDialogTrueColor", Need::Required},
    {48, "LeaderAnno", Need::Required},
    {49, "DimArcEntry", Need::Required},
    {50, "DimArcEntryExit", Need::Required},
    {51, "Vd2dLayerDev2LangW", Need::ProductOne},
    {52, "Vd2dKeyLayerMappedA", Need::ProductOne},
    {53, "Vd2dGetStoredData", Need::ProductOne},
    {54, "VdRcFillComboLayer", Need::ProductTwo},
    {55, "VdRcLayerDlg", Need::ProductTwo},
};

HostBinding& hostBinding() {
  static HostBinding binding;
  return binding;
}

namespace {

bool isRequired(Need need, int product) {
  switch (need) {
    case Need::Required: return true;
    case Need::Optional: return false;
    case Need::ProductOne: return product == 1;
    case Need::ProductTwo: return product == 2;
  }
  return false;
}

// Function pointers and data pointers have the same size on every target we
// build; the copy avoids a cast between the two kinds that the language leaves open.
template <typename Fn>
Fn asFunction(void* p) {
  static_assert(sizeof(Fn) == sizeof(void*), "function pointers are pointer-sized");
  Fn fn;
  std::memcpy(&fn, &p, sizeof fn);
  return fn;
}

void failBinding(HostApi* api) {
  // The table is zeroed before it is freed so that nothing that might still
  // hold the pointer finds a live entry; the host module itself stays loaded.
  std::memset(static_cast<void*>(api), 0, sizeof *api);
  delete api;
  HostBinding& b = hostBinding();
  b.api = nullptr;
}

}  // namespace

bool bindHost(void* hostModule, ExportResolver resolve, void* context) {
  HostBinding& b = hostBinding();
  if (b.api) return true;
  if (!resolve) return false;

  auto* api = new HostApi{};
  api->module = hostModule;

  auto getProduct = asFunction<hostfn::GetExternProduct>(resolve(context, "GetExternProduct"));
  if (!getProduct) {
    failBinding(api);
    return false;
  }
  b.product = getProduct();
  auto getCadType = asFunction<hostfn::GetAcadType>(resolve(context, "GetAcadType"));
  b.cadType = getCadType ? getCadType() : 3;
  auto getPath = asFunction<hostfn::GetUserDatPath>(resolve(context, "GetUserDatPath"));
  if (!getPath) {
    failBinding(api);
    return false;
  }
  const vchar* path = getPath();
  b.userDataPath = path ? vstring(path) : vstring();
  auto getWindow = asFunction<hostfn::GetCadHWND>(resolve(context, "GetCadHWND"));
  if (!getWindow) {
    failBinding(api);
    return false;
  }
  b.mainWindow = getWindow();

  for (const HostSlot& s : kHostSlots) {
    void* fn = resolve(context, s.name);
    if (!fn && isRequired(s.need, b.product)) {
      failBinding(api);
      return false;
    }
    std::memcpy(reinterpret_cast<char*>(api) + s.slot * sizeof(void*), &fn, sizeof fn);
  }
  b.api = api;
  return true;
}

void unbindHost() {
  HostBinding& b = hostBinding();
  delete b.api;
  b = HostBinding{};
}

}  // namespace vd
