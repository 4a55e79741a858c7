#include <algorithm>
#include <cstring>

#include "hostsim/exports.h"
#include "hostsim/host.h"

namespace hostsim {

namespace {

template <typename Fn>
void* asPointer(Fn fn) {
  static_assert(sizeof(Fn) == sizeof(void*), "function pointers are pointer-sized");
  void* p;
  std::memcpy(&p, &fn, sizeof p);
  return p;
}

struct ExportEntry {
  const char* name;
  void* address;
};

const std::vector<ExportEntry>& exportTable() {
  static const std::vector<ExportEntry> table = {
      {"GetExternProduct", asPointer(&::GetExternProduct)},
      {"GetAcadType", asPointer(&::GetAcadType)},
      {"GetUserDatPath", asPointer(&::GetUserDatPath)},
      {"GetCadHWND", asPointer(&::GetCadHWND)},
      {"ShowHelpW", asPointer(&::ShowHelpW)},
      {"GetAppIcon", asPointer(&::GetAppIcon)},
      {"GetScale", asPointer(&::GetScale)},
      {"GetUnits", asPointer(&::GetUnits)},
      {"GetVarW", asPointer(&::GetVarW)},
      {"GetVarStrW", asPointer(&::GetVarStrW)},
      {"GetVarStrA", asPointer(&::GetVarStrA)},
      {"GetEnvStrW", asPointer(&::GetEnvStrW)},
      {"GetEnvStrA", asPointer(&::GetEnvStrA)},
      {"LoadStringDBW", asPointer(&::LoadStringDBW)},
      {"LoadStringDBA", asPointer(&::LoadStringDBA)},
      {"LocalizeDlg", asPointer(&::LocalizeDlg)},
      {"GetLayerKeyW", asPointer(&::GetLayerKeyW)},
      {"GetLayerKeyFromName", asPointer(&::GetLayerKeyFromName)},
      {"Wcs2Ucs", asPointer(&::Wcs2Ucs)},
      {"ColorExtFunctionW", asPointer(&::ColorExtFunctionW)},
      {"ColorExtFunctionA", asPointer(&::ColorExtFunctionA)},
      {"CreateLayerW", asPointer(&::CreateLayerW)},
      {"GetLayerKeyInfoW", asPointer(&::GetLayerKeyInfoW)},
      {"FindLayerInfoA", asPointer(&::FindLayerInfoA)},
      {"GetTextStylesA", asPointer(&::GetTextStylesA)},
      {"GetTextExtentsW", asPointer(&::GetTextExtentsW)},
      {"GetArrowHandleW", asPointer(&::GetArrowHandleW)},
      {"CommandW", asPointer(&::CommandW)},
      {"GetPointW", asPointer(&::GetPointW)},
      {"GetPointKwdW", asPointer(&::GetPointKwdW)},
      {"GetRealW", asPointer(&::GetRealW)},
      {"DictionaryOpenW", asPointer(&::DictionaryOpenW)},
      {"DictionaryNextW", asPointer(&::DictionaryNextW)},
      {"DictionaryAddW", asPointer(&::DictionaryAddW)},
      {"DictionaryClose", asPointer(&::DictionaryClose)},
      {"NextBindHandle", asPointer(&::NextBindHandle)},
      {"Header_bin", asPointer(&::Header_bin)},
      {"BlkmakeHead_binW", asPointer(&::BlkmakeHead_binW)},
      {"BlkmakeEnt_binW", asPointer(&::BlkmakeEnt_binW)},
      {"BlkmakeEnd_binW", asPointer(&::BlkmakeEnd_binW)},
      {"Entmake_binW", asPointer(&::Entmake_binW)},
      {"Flush_bin", asPointer(&::Flush_bin)},
      {"EraseHandles", asPointer(&::EraseHandles)},
      {"SSGetW", asPointer(&::SSGetW)},
      {"EntnextW", asPointer(&::EntnextW)},
      {"BlknextW", asPointer(&::BlknextW)},
      {"PromptW", asPointer(&::PromptW)},
      {"Jig", asPointer(&::Jig)},
      {"HighlightGlyph", asPointer(&::HighlightGlyph)},
      {"UpdateTransient", asPointer(&::UpdateTransient)},
      {"SetColorDialogTrueColor", asPointer(&::SetColorDialogTrueColor)},
      {"LeaderAnno", asPointer(&::LeaderAnno)},
      {"DimArcEntry", asPointer(&::DimArcEntry)},
      {"DimArcEntryExit", asPointer(&::DimArcEntryExit)},
      {"Vd2dLayerDev2LangW", asPointer(&::Vd2dLayerDev2LangW)},
      {"Vd2dKeyLayerMappedA", asPointer(&::Vd2dKeyLayerMappedA)},
      {"Vd2dGetStoredData", asPointer(&::Vd2dGetStoredData)},
      {"VdRcFillComboLayer", asPointer(&::VdRcFillComboLayer)},
      {"VdRcLayerDlg", asPointer(&::VdRcLayerDlg)},
  };
  return table;
}

}  // namespace

void* resolveExport(void*, const char* name) {
  if (!name) return nullptr;
  if (Host::instance().omittedExports.count(name)) return nullptr;
  for (const ExportEntry& e : exportTable()) {
    if (std::strcmp(e.name, name) == 0) return e.address;
  }
  return nullptr;
}

const std::vector<std::string>& exportNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const ExportEntry& e : exportTable()) out.emplace_back(e.name);
    return out;
  }();
  return names;
}

bool isExportName(const std::string& name) {
  const std::vector<std::string>& names = exportNames();
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace hostsim
