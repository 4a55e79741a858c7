#include "tools/vdhost/dialog_view.h"

#include <commctrl.h>

#include <cstdio>

#include "host/text.h"
#include "hostsim/colour_requests.h"
#include "tools/vdhost/dialog_template.h"
#include "ui/controls.h"
#include "ui/dialog.h"
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

namespace {
// The line's head: id, class, text, state.
std::string stateLine(HWND control, int id, const std::wstring& text, LRESULT check, DWORD style, bool enabled,
                      bool visible) {
  std::string line = std::to_string(id) + " " + windowClass(control) + " " + quoted(text);
  if (isCheckBox(control)) {
    switch (check) {
      case BST_CHECKED: line += " checked"; break;
      case BST_INDETERMINATE: line += " indeterminate"; break;
      default: line += " unchecked"; break;
    }
  }
  if (classIs(control, L"Edit") && (style & ES_READONLY)) line += " readonly";
  line += enabled ? " enabled" : " disabled";
  line += visible ? " visible" : " hidden";
  return line;
}
}  // namespace

std::string templateLine(HWND control, int id, const std::wstring& text, DWORD style) {
  ListItems items;
  const bool isList = readListItems(control, items);
  // Combo boxes show no template text: their edit field starts empty.
  std::string line = stateLine(control, id, isList ? std::wstring() : text, BST_UNCHECKED, style,
                               !(style & WS_DISABLED), (style & WS_VISIBLE) != 0);
  if (!isList) return line;
  return line + (items.haveTexts ? " items=[]" : " items=0") + " sel=-1";
}

std::string controlLine(HWND control) {
  ListItems items;
  const bool isList = readListItems(control, items);
  std::string line = stateLine(control, GetDlgCtrlID(control), shownText(control, isList ? &items : nullptr),
                               isCheckBox(control) ? SendMessageW(control, BM_GETCHECK, 0, 0) : BST_UNCHECKED,
                               static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)), IsWindowEnabled(control) != 0,
                               IsWindowVisible(control) != 0);
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

std::vector<std::string> linesBesideTemplate(HWND dialog, const std::vector<ShownControl>& shown, int& sameAsTemplate) {
  sameAsTemplate = 0;
  std::vector<std::string> lines;
  DialogTemplate t;
  const HMODULE module = reinterpret_cast<HMODULE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
  bool matches = loadDialogTemplate(module, ui::dialogTemplateId(dialog), t) && t.items.size() == shown.size();
  // The controls are the template's, in its order: the same ids one by one.
  for (size_t i = 0; matches && i < shown.size(); ++i)
    matches = static_cast<int>(static_cast<WORD>(GetDlgCtrlID(shown[i].window))) == static_cast<int>(static_cast<WORD>(t.items[i].id));
  for (size_t i = 0; i < shown.size(); ++i) {
    if (matches && shown[i].line == templateLine(shown[i].window, GetDlgCtrlID(shown[i].window), t.items[i].text,
                                                 t.items[i].style)) {
      ++sameAsTemplate;
    } else {
      lines.push_back(shown[i].line);
    }
  }
  return lines;
}

}  // namespace vdhost
