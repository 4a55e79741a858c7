// The host's exports, with the argument lists the module binds them with.
#pragma once
#include "host/host_api.h"

extern "C" {
int GetExternProduct();
int GetAcadType();
const vd::vchar* GetUserDatPath();
vd::HostWindow GetCadHWND();

int ShowHelpW(const vd::vchar* topic, int, int, int);
vd::HostIcon GetAppIcon();
double GetScale();
double GetUnits();
vd::ValueNode* GetVarW(const vd::vchar* name, int resultKind);
int GetVarStrW(const vd::vchar* name, vd::vchar* buffer, int capacity);
int GetVarStrA(const char* name, char* buffer, int capacity);
int GetEnvStrW(const vd::vchar* name, vd::vchar* buffer, int capacity);
int GetEnvStrA(const char* name, char* buffer, int capacity);
int LoadStringDBW(int id, vd::vchar* buffer, int capacity);
int LoadStringDBA(int id, char* buffer, int capacity);
int LocalizeDlg(vd::HostWindow dialog, int templateId);
int GetLayerKeyW(int key, vd::vchar* buffer, int capacity, int);
int GetLayerKeyFromName(const vd::vchar* layerName);
int Wcs2Ucs(double* point, int toWorld, int);
int ColorExtFunctionW(vd::HostWindow parent, int mode, uint32_t* colour, uint32_t* rgb, vd::vchar* text,
                      int textLength);
int ColorExtFunctionA(vd::HostWindow parent, int mode, uint32_t* colour, uint32_t* rgb, char* text,
                      int textLength);
int CreateLayerW(const vd::vchar* layerName, int);
int GetLayerKeyInfoW(int key, vd::vchar* buffer, int capacity);
int FindLayerInfoA(const char* layerName, void* record);
char** GetTextStylesA(int* count);
int GetTextExtentsW(const vd::vchar* text, const vd::vchar* style, double height, double widthFactor,
                    double* width, double* heightOut);
int GetArrowHandleW(const vd::vchar* blockName, vd::vchar* handle);
int CommandW(const vd::vchar* script);
int GetPointW(const double* base, const vd::vchar* prompt, double* point);
int GetPointKwdW(const double* base, const vd::vchar* prompt, double* point, const vd::HostKeywordSet* keywords,
                 vd::vchar* keyword, int, int);
int GetRealW(const vd::vchar* prompt, double* value);
intptr_t DictionaryOpenW(intptr_t parent, const vd::vchar* name, int create, int);
vd::ValueNode* DictionaryNextW(intptr_t dictionary, vd::vchar* key, int first);
int DictionaryAddW(intptr_t dictionary, const vd::vchar* key, vd::ValueNode* chain, int);
int DictionaryClose(intptr_t dictionary, int);
int NextBindHandle(vd::vchar* handle);
int Header_bin();
int BlkmakeHead_binW(const vd::vchar* name, int flags, double* x, double* y, double* z);
int BlkmakeEnt_binW(vd::ValueNode* chain);
int BlkmakeEnd_binW(const vd::vchar* name);
int Entmake_binW(vd::ValueNode* chain, int);
int Flush_bin(int);
int EraseHandles(const vd::vchar* const* handles, int count, int);
int SSGetW(int mode, const vd::vchar* prompt, vd::ValueNode* filter, int);
vd::ValueNode* EntnextW(int first, int);
vd::ValueNode* BlknextW(int first);
int PromptW(const vd::vchar* text);
int Jig(void* dragRecord, int);
int HighlightGlyph(void* glyphRecord);
int UpdateTransient(void*);
int SetColorDialogTrueColor(void* colourRecord);
int LeaderAnno(uint64_t* annotationHandle, uint64_t* leaderHandle, int);
int DimArcEntry(int mode, int flag);
int DimArcEntryExit();
int Vd2dLayerDev2LangW(vd::vchar* layerName, int capacity, int);
int Vd2dKeyLayerMappedA(const char* key, char* buffer, int capacity, int);
int Vd2dGetStoredData(void*);
int VdRcFillComboLayer(vd::HostWindow combo, int);
int VdRcLayerDlg(int, int, int);
}
