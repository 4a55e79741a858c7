// Message boxes as the host meets them: windows that the module's thread
// opens. A box made by MessageBox is told from a dialog by what only such a
// box has, and read for what its user sees: caption, text, icon and buttons.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "host/text.h"

namespace vdhost {

struct MessageBoxView {
  vd::vstring caption;
  vd::vstring text;
  HWND owner = nullptr;
  UINT icon = 0;      // MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION, MB_USERICON; 0 without
  UINT buttons = 0;   // MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL, MB_CANCELTRYCONTINUE
  bool help = false;  // MB_HELP: a Help button beside them
  std::vector<HWND> buttonWindows;  // in the box's order, Help among them
  HWND defaultButton = nullptr;     // the button Enter presses
  UINT defaultFlag = 0;             // MB_DEFBUTTON1 to MB_DEFBUTTON4: where that button is

  // The flags the box was asked with, as far as they show: icon, buttons,
  // help and the default button.
  UINT flags() const { return icon | buttons | defaultFlag | (help ? MB_HELP : 0U); }
};

// The message box a window is; nothing for any other window. A box is a
// dialog window whose children are the box's text (a static control with id
// 0xFFFF that shows '&' as it is), at most one icon, and push buttons that
// form one of the box's button sets. A dialog with a label and OK and Cancel
// buttons also has controls of its own, or a label that takes '&' as a
// mnemonic, and is no box.
std::optional<MessageBoxView> readMessageBox(HWND window);

// "error icon, OK", "question icon, Yes/No + Help", "no icon, Retry/Cancel,
// default button 2".
std::string describeFlags(UINT flags);

// Name of a box's button by command id ("OK", "Yes", "Try again"); "?" for others.
const char* buttonName(int id);

}  // namespace vdhost
