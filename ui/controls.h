// Wrappers of the standard controls the dialogs use: one method per message.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/control.h"

namespace ui {

// Reading any combo box window, a framework control or not.
// The text of item `index`; empty when there is none.
std::wstring comboItemText(HWND combo, int index);
// The edit field of a combo box that has one, else null.
HWND comboEditField(HWND combo) noexcept;
// The text of an extended combo box's item and, when asked, its picture
// (-1 for none); empty when there is no such item.
std::wstring comboExItemText(HWND combo, int index, int* image = nullptr);
// Inserts an item into an extended combo box at `index` (-1 appends) showing
// picture `image` (-1 for none); the index of the new item, or -1.
int comboExInsertItem(HWND combo, int index, const wchar_t* text, int image, LPARAM data = 0) noexcept;

// What combo boxes and extended combo boxes both answer (CB_ messages).
class ComboBase : public Control {
 public:
  int count() const noexcept { return static_cast<int>(send(CB_GETCOUNT)); }
  // The selected item, -1 for none; setCurSel(-1) clears the selection.
  int curSel() const noexcept { return static_cast<int>(send(CB_GETCURSEL)); }
  bool setCurSel(int index) const noexcept;
  LPARAM itemData(int index) const noexcept { return send(CB_GETITEMDATA, static_cast<WPARAM>(index)); }
  bool setItemData(int index, LPARAM data) const noexcept {
    return send(CB_SETITEMDATA, static_cast<WPARAM>(index), data) != CB_ERR;
  }
  void resetContent() const noexcept { send(CB_RESETCONTENT); }
  bool droppedDown() const noexcept { return send(CB_GETDROPPEDSTATE) != 0; }
  void showDropDown(bool show) const noexcept { send(CB_SHOWDROPDOWN, show ? TRUE : FALSE); }
  int droppedWidth() const noexcept { return static_cast<int>(send(CB_GETDROPPEDWIDTH)); }
  void setDroppedWidth(int width) const noexcept { send(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width)); }
  // Height of the list items, or of the selection field for index -1.
  int itemHeight(int index) const noexcept {
    return static_cast<int>(send(CB_GETITEMHEIGHT, static_cast<WPARAM>(index)));
  }
  void setItemHeight(int index, int height) const noexcept {
    send(CB_SETITEMHEIGHT, static_cast<WPARAM>(index), height);
  }

 protected:
  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
    return SendMessageW(hwnd(), message, wParam, lParam);
  }
};

class ComboBox : public ComboBase {
 public:
  // The index of the new item, or a negative value (CB_ERR, CB_ERRSPACE).
  int addString(const wchar_t* text) const noexcept {
    return static_cast<int>(send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  int insertString(int index, const wchar_t* text) const noexcept {
    return static_cast<int>(send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  // The number of items left, or CB_ERR.
  int deleteString(int index) const noexcept {
    return static_cast<int>(send(CB_DELETESTRING, static_cast<WPARAM>(index)));
  }
  // The first item after `after` whose whole text equals `text` ignoring case; CB_ERR when none.
  int findStringExact(const wchar_t* text, int after = -1) const noexcept {
    return static_cast<int>(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }
  std::wstring itemText(int index) const;
  // The edit field of a combo box that has one, else null.
  HWND editField() const noexcept;
};

// An extended combo box: items with pictures from an image list.
class ComboBoxEx : public ComboBase {
 public:
  // Inserts an item at `index` (-1 appends) showing picture `image`; the
  // index of the new item, or -1.
  int insertItem(int index, const wchar_t* text, int image, LPARAM data = 0) const noexcept;
  int deleteItem(int index) const noexcept {
    return static_cast<int>(send(CBEM_DELETEITEM, static_cast<WPARAM>(index)));
  }
  std::wstring itemText(int index) const;
  // The list stays the caller's: it must outlive the control's window.
  void setImageList(HIMAGELIST list) const noexcept { send(CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list)); }
  HWND comboBox() const noexcept { return reinterpret_cast<HWND>(send(CBEM_GETCOMBOCONTROL)); }
  HWND editField() const noexcept { return reinterpret_cast<HWND>(send(CBEM_GETEDITCONTROL)); }
  // The dropped-down list belongs to the combo box inside, which does not
  // hear these through the extended one everywhere (Wine answers 0).
  int droppedWidth() const noexcept {
    return static_cast<int>(SendMessageW(comboBox(), CB_GETDROPPEDWIDTH, 0, 0));
  }
  void setDroppedWidth(int width) const noexcept {
    SendMessageW(comboBox(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
  }
};

class Button : public Control {
 public:
  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
  int checkState() const noexcept { return static_cast<int>(SendMessageW(hwnd(), BM_GETCHECK, 0, 0)); }
  void setCheck(int state) const noexcept { SendMessageW(hwnd(), BM_SETCHECK, static_cast<WPARAM>(state), 0); }
};

// A push button that draws itself: DrawItem paints the whole button whenever
// it needs painting. The item gets the owner-draw style when it is attached.
class OwnerDrawButton : public Button {
 public:
  bool ProcessMessage(Message& m) override;

 protected:
  void OnSubclassed() override;
  virtual void DrawItem(const DRAWITEMSTRUCT& item) = 0;
};

class Edit : public Control {
 public:
  void setSel(int start, int end) const noexcept { SendMessageW(hwnd(), EM_SETSEL, static_cast<WPARAM>(start), end); }
  void scrollCaret() const noexcept { SendMessageW(hwnd(), EM_SCROLLCARET, 0, 0); }
};

}  // namespace ui
