// Opens a module's dialog template as a live modeless dialog, so that tests
// and the picture program see it as Windows lays it out.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/handles.h"

namespace vdtest {

// Registers the common control classes the templates use (extended combo boxes).
inline bool registerControlClasses() {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
  return InitCommonControlsEx(&classes) != FALSE;
}

// A dialog procedure that leaves everything to the dialog manager.
inline INT_PTR CALLBACK plainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Template `id` of `module` as a hidden dialog; empty when it cannot be made.
inline ui::unique_hwnd openDialog(HMODULE module, int id, DLGPROC proc = plainDialogProc, LPARAM param = 0) {
  return ui::unique_hwnd(CreateDialogParamW(module, MAKEINTRESOURCEW(id), nullptr, proc, param));
}

}  // namespace vdtest
