// vdhost_probe.dll: a module for the host program's own scenarios. It has no
// InitApp; its commands open message boxes and dialogs the way a module
// does, and the host's layer dialog, so that a scenario shows how the host
// meets them. Each command returns what ended the box or dialog.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Text of an 8-bit command argument (code page 1250, as the host passes them).
std::wstring wide(const char* text) {
  int n = MultiByteToWideChar(1250, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
  if (n > 0) MultiByteToWideChar(1250, 0, text, -1, out.data(), n);
  out.resize(std::wcslen(out.c_str()));
  return out;
}

// An operation the host program exports, by name.
template <typename Fn>
Fn hostOperation(const char* name) {
  FARPROC p = GetProcAddress(GetModuleHandleW(nullptr), name);
  Fn fn = nullptr;
  std::memcpy(&fn, &p, sizeof fn);
  return fn;
}

HWND hostWindow() {
  auto fn = hostOperation<HWND (*)()>("GetCadHWND");
  return fn ? fn() : nullptr;
}

// An in-memory dialog template: the dialog and its controls, each aligned to
// a DWORD as DialogBoxIndirect wants them.
class DialogTemplate {
 public:
  DialogTemplate(const wchar_t* caption, short cx, short cy) {
    DLGTEMPLATE t{};
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = cx;
    t.cy = cy;
    add(&t, sizeof t);
    word(0);  // no menu
    word(0);  // the dialog class
    text(caption);
    word(8);
    text(L"MS Shell Dlg");
  }
  void control(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, const wchar_t* caption) {
    align();
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    add(&item, sizeof item);
    word(0xFFFF);
    word(cls);
    text(caption);
    word(0);  // no creation data
    ++reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit;
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

 private:
  void add(const void* p, size_t n) {
    const char* c = static_cast<const char*>(p);
    bytes_.insert(bytes_.end(), c, c + n);
  }
  void word(WORD w) { add(&w, sizeof w); }
  void text(const wchar_t* s) { add(s, (std::wcslen(s) + 1) * sizeof(wchar_t)); }
  void align() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  std::vector<char> bytes_;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
constexpr WORD kLabelId = 0xFFFF;  // the id labels get that no code refers to
constexpr INT_PTR kClosedItself = 77;

// Closes itself a moment after it shows, unless someone presses a button first.
INT_PTR CALLBACK probeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetTimer(dialog, 1, 300, nullptr);
      return TRUE;
    case WM_TIMER:
      EndDialog(dialog, kClosedItself);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
      return TRUE;
  }
  return FALSE;
}

}  // namespace

extern "C" {

// Box FLAGS TEXT [unowned]: a message box with these flags, owned by the host's window.
__declspec(dllexport) int Command_Box(int argc, const char** argv) {
  if (argc < 2) return -1;
  HWND owner = argc > 2 && std::strcmp(argv[2], "unowned") == 0 ? nullptr : hostWindow();
  return MessageBoxW(owner, wide(argv[1]).c_str(), L"VELDRA", static_cast<UINT>(std::strtoul(argv[0], nullptr, 10)));
}

// Dialog N: a dialog that looks like a message box from afar, a label and buttons:
// 1 with an edit box too, 2 with a label that takes '&' as a mnemonic and OK alone.
__declspec(dllexport) int Command_Dialog(int argc, const char** argv) {
  int kind = argc > 0 ? std::atoi(argv[0]) : 1;
  DialogTemplate t(L"VELDRA", 160, 60);
  t.control(SS_LEFT, 8, 8, 140, 10, kLabelId, kStatic, L"&Výška:");
  if (kind == 1) t.control(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 20, 140, 12, 1001, kEdit, L"");
  t.control(BS_DEFPUSHBUTTON | WS_TABSTOP, 8, 40, 50, 14, IDOK, kButton, L"OK");
  if (kind == 1) t.control(BS_PUSHBUTTON | WS_TABSTOP, 64, 40, 50, 14, IDCANCEL, kButton, L"Storno");
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&probeDialogProc), &self);
  return static_cast<int>(DialogBoxIndirectParamW(self, t.get(), hostWindow(), probeDialogProc, 0));
}

// LayerDialog: the host's layer dialog, as the settings dialog opens it for product 2.
__declspec(dllexport) int Command_LayerDialog(int, const char**) {
  auto fn = hostOperation<int (*)(int, int, int)>("VdRcLayerDlg");
  return fn ? fn(2, 0, 1) : -1;
}

}  // extern "C"
