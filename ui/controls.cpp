#include "ui/controls.h"

namespace ui {

bool ComboBase::setCurSel(int index) const noexcept {
  const LRESULT r = send(CB_SETCURSEL, static_cast<WPARAM>(index));
  // Clearing the selection answers CB_ERR too.
  return index < 0 || r != CB_ERR;
}

std::wstring comboItemText(HWND combo, int index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring s(static_cast<size_t>(length), L'\0');
  const LRESULT got =
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return s;
}

HWND comboEditField(HWND combo) noexcept {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info)) return nullptr;
  // A drop-down list has no edit field; its "item" window is the combo box itself.
  return info.hwndItem != combo ? info.hwndItem : nullptr;
}

std::wstring comboExItemText(HWND combo, int index, int* image) {
  // Item texts of the dialogs are short labels; longer ones are cut.
  wchar_t buffer[260] = {};
  COMBOBOXEXITEMW item{};
  item.mask = CBEIF_TEXT | CBEIF_IMAGE;
  item.iItem = index;
  item.pszText = buffer;
  item.cchTextMax = 260;
  const bool found = SendMessageW(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
  if (image) *image = found ? item.iImage : -1;
  return found ? std::wstring(item.pszText) : std::wstring();
}

std::wstring ComboBox::itemText(int index) const { return comboItemText(hwnd(), index); }

HWND ComboBox::editField() const noexcept { return comboEditField(hwnd()); }

int comboExInsertItem(HWND combo, int index, const wchar_t* text, int image, LPARAM data) noexcept {
  COMBOBOXEXITEMW item{};
  item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(text);
  // An item whose picture could not be made has none: -1 would be the
  // callback value, asking a parent that does not answer for the picture.
  item.iImage = image >= 0 ? image : I_IMAGENONE;
  item.iSelectedImage = item.iImage;
  item.lParam = data;
  return static_cast<int>(SendMessageW(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

int ComboBoxEx::insertItem(int index, const wchar_t* text, int image, LPARAM data) const noexcept {
  return comboExInsertItem(hwnd(), index, text, image, data);
}

std::wstring ComboBoxEx::itemText(int index) const { return comboExItemText(hwnd(), index); }

void OwnerDrawButton::OnSubclassed() {
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  if ((style & BS_TYPEMASK) != BS_OWNERDRAW)
    SendMessageW(hwnd(), BM_SETSTYLE, static_cast<WPARAM>((style & ~BS_TYPEMASK) | BS_OWNERDRAW), TRUE);
}

bool OwnerDrawButton::ProcessMessage(Message& m) {
  static constexpr Handler map[] = {
      onReflectedDrawItem<&OwnerDrawButton::DrawItem>,
  };
  return dispatch(*this, map, m) || Button::ProcessMessage(m);
}

}  // namespace ui
