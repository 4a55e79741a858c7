#include "tools/vdhost/dialog_view.h"

#include <commctrl.h>

#include <cstdio>

#include "host/text.h"
#include "hostsim/colour_requests.h"
#include "ui/controls.h"
#include "ui/wide_text.h"
#include "ui/window.h"

namespace vdhost {

namespace {

bool classIs(HWND w, const wchar_t* name) {
  wchar_t cls[64];
  return GetClassNameW(w, cls, 64) > 0 && lstrcmpiW(cls, name) == 0;
}

LONG buttonType(HWND w) { return GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK; }

std::wstring listItemText(HWND list, int index) {
  const LRESULT n = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

// What the control shows as its text: a combo box without an edit field
// shows its selected item.
std::wstring shownText(HWND control, const ListItems* items) {
  if (classIs(control, WC_COMBOBOXEXW)) {
    if (HWND edit = reinterpret_cast<HWND>(SendMessageW(control, CBEM_GETEDITCONTROL, 0, 0)))
      return ui::Window(edit).text();
    return items && items->selected >= 0 && items->selected < static_cast<int>(items->texts.size())
               ? items->texts[static_cast<size_t>(items->selected)]
               : std::wstring();
  }
  return ui::Window(control).text();
}

}  // namespace

std::string quoted(const std::wstring& text) { return hostsim::quotedText(ui::fromWide(text)); }

std::string windowClass(HWND window) {
  wchar_t cls[128] = {};
  const int n = GetClassNameW(window, cls, 128);
  return ui::wideToUtf8(std::wstring(cls, n > 0 ? static_cast<size_t>(n) : 0));
}

bool isCheckBox(HWND control) {
  if (!classIs(control, L"Button")) return false;
  switch (buttonType(control)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return true;
    default: return false;
  }
}

bool isPushButton(HWND control) {
  if (!classIs(control, L"Button")) return false;
  const LONG type = buttonType(control);
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

bool readListItems(HWND control, ListItems& out) {
  out = ListItems{};
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (classIs(control, WC_COMBOBOXEXW)) {
    out.count = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < out.count; ++i) {
      int image = -1;
      out.texts.push_back(ui::comboExItemText(control, i, &image));
      out.images.push_back(image);
    }
    out.selected = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    return true;
  }
  if (classIs(control, L"ComboBox")) {
    out.count = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
    out.haveTexts = !(style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) || (style & CBS_HASSTRINGS);
    for (int i = 0; out.haveTexts && i < out.count; ++i) out.texts.push_back(ui::comboItemText(control, i));
    out.selected = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    return true;
  }
  if (classIs(control, L"ListBox")) {
    out.count = static_cast<int>(SendMessageW(control, LB_GETCOUNT, 0, 0));
    out.haveTexts = !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (style & LBS_HASSTRINGS);
    for (int i = 0; out.haveTexts && i < out.count; ++i) out.texts.push_back(listItemText(control, i));
    out.selected = static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0));
    return true;
  }
  return false;
}

std::string controlLine(HWND control) {
  ListItems items;
  const bool isList = readListItems(control, items);
  std::string line = std::to_string(GetDlgCtrlID(control)) + " " + windowClass(control) + " " +
                     quoted(shownText(control, isList ? &items : nullptr));
  if (isCheckBox(control)) {
    switch (SendMessageW(control, BM_GETCHECK, 0, 0)) {
      case BST_CHECKED: line += " checked"; break;
      case BST_INDETERMINATE: line += " indeterminate"; break;
      default: line += " unchecked"; break;
    }
  }
  if (classIs(control, L"Edit") && (GetWindowLongW(control, GWL_STYLE) & ES_READONLY)) line += " readonly";
  line += IsWindowEnabled(control) ? " enabled" : " disabled";
  line += IsWindowVisible(control) ? " visible" : " hidden";
  if (!isList) return line;
  if (items.haveTexts) {
    line += " items=[";
    for (size_t i = 0; i < items.texts.size(); ++i) line += (i ? "," : "") + quoted(items.texts[i]);
    line += "]";
  } else {
    line += " items=" + std::to_string(items.count);
  }
  line += " sel=" + std::to_string(items.selected);
  bool pictures = false;
  for (int image : items.images) pictures = pictures || image >= 0;
  if (pictures) {
    line += " images=[";
    for (size_t i = 0; i < items.images.size(); ++i) line += (i ? "," : "") + std::to_string(items.images[i]);
    line += "]";
  }
  return line;
}

std::vector<ShownControl> showControls(HWND dialog) {
  std::vector<ShownControl> shown;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) shown.push_back({c, controlLine(c)});
  return shown;
}

}  // namespace vdhost
