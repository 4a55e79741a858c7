// What a dialog shows, as the transcript writes it: one line per control
// (docs/host-scripts.md, "Dialogs"), stable and in UTF-8.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vdhost {

// A text in double quotes, UTF-8, with \ " and control characters escaped
// (\\ \" \n \r \t, others as \xNN).
std::string quoted(const std::wstring& text);

// The window's class name in UTF-8 ("Button", "ComboBoxEx32").
std::string windowClass(HWND window);

// Button kinds the dialog lines care about.
bool isCheckBox(HWND control);    // check boxes and radio buttons, which have a state
bool isPushButton(HWND control);  // buttons a `press` may press: push, default and owner-drawn buttons

// One control: id, class, text, state and, for combo and list boxes, items
// and selection:
//   1004 ComboBox "1,250" enabled visible items=["1,250","2,500"] sel=0
std::string controlLine(HWND control);
// The line the same control would have as its template makes it: the
// template's text and its WS_DISABLED and WS_VISIBLE, a check box cleared,
// a list empty with nothing selected.
std::string templateLine(HWND control, int id, const std::wstring& text, DWORD style);

// The items of a combo, extended combo or list box; false for other windows.
// Items of owner-drawn lists without texts are counted but have no text.
struct ListItems {
  int count = 0;
  bool haveTexts = true;
  std::vector<std::wstring> texts;
  std::vector<int> images;  // extended combo boxes: each item's picture, -1 for none
  int selected = -1;
};
bool readListItems(HWND control, ListItems& out);

struct ShownControl {
  HWND window;
  std::string line;
};
// The dialog's controls (its child windows) in tab order, which is the order
// of the template.
std::vector<ShownControl> showControls(HWND dialog);
// Of those, the lines of the controls that show otherwise than the dialog's
// template makes them (all of them when the template cannot be read or the
// dialog has controls its template lacks), and how many were left out.
std::vector<std::string> linesBesideTemplate(HWND dialog, const std::vector<ShownControl>& shown, int& sameAsTemplate);

}  // namespace vdhost
