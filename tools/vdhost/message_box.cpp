#include "tools/vdhost/message_box.h"

#include <algorithm>

namespace vdhost {

namespace {

// The control that holds a box's text.
constexpr int kTextId = 0xFFFF;

vd::vstring windowText(HWND w) {
  int n = GetWindowTextLengthW(w);
  if (n <= 0) return {};
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(w, buf.data(), n + 1);
  return vd::vstring(reinterpret_cast<const vd::vchar*>(buf.data()), static_cast<size_t>(n > 0 ? n : 0));
}

bool hasClass(HWND w, const wchar_t* name) {
  wchar_t cls[64];
  return GetClassNameW(w, cls, 64) > 0 && lstrcmpiW(cls, name) == 0;
}

// Button sets a box is asked for, by command id in the order the box shows them.
struct ButtonSet {
  UINT flag;
  std::vector<int> ids;
  // True when a box's buttons, in any order, are this set's.
  bool matches(std::vector<int> shown) const {
    std::vector<int> mine = ids;
    std::sort(mine.begin(), mine.end());
    std::sort(shown.begin(), shown.end());
    return mine == shown;
  }
};
const std::vector<ButtonSet>& buttonSets() {
  static const std::vector<ButtonSet> sets = {
      {MB_OK, {IDOK}},
      {MB_OKCANCEL, {IDOK, IDCANCEL}},
      {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
      {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
      {MB_YESNO, {IDYES, IDNO}},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
      {MB_CANCELTRYCONTINUE, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},
  };
  return sets;
}

// The icon flag of what a box's icon control shows: the box takes the shared
// system icon of the flag it was asked with.
UINT iconFlag(HWND iconControl) {
  HICON shown = reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0));
  if (!shown) return 0;
  const struct {
    LPCWSTR resource;
    UINT flag;
  } icons[] = {{IDI_HAND, MB_ICONERROR},
               {IDI_QUESTION, MB_ICONQUESTION},
               {IDI_EXCLAMATION, MB_ICONWARNING},
               {IDI_ASTERISK, MB_ICONINFORMATION}};
  for (const auto& i : icons) {
    if (shown == LoadIconW(nullptr, i.resource)) return i.flag;
  }
  return MB_USERICON;
}

bool isPushButton(LONG style) {
  LONG type = style & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// The button Enter presses: the one drawn as default, else the one the dialog
// names as default, else the first.
HWND defaultButtonOf(HWND box, const std::vector<HWND>& buttons) {
  for (HWND b : buttons) {
    if ((GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return b;
  }
  LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
  if (HIWORD(def) == DC_HASDEFID) {
    for (HWND b : buttons) {
      if (GetDlgCtrlID(b) == LOWORD(def)) return b;
    }
  }
  return buttons.empty() ? nullptr : buttons.front();
}

}  // namespace

std::optional<MessageBoxView> readMessageBox(HWND window) {
  if (!window || !hasClass(window, L"#32770")) return std::nullopt;
  MessageBoxView box;
  bool haveText = false, haveIcon = false;
  std::vector<int> ids;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    LONG style = GetWindowLongW(c, GWL_STYLE);
    int id = GetDlgCtrlID(c);
    if (hasClass(c, L"Static") && (style & SS_TYPEMASK) == SS_ICON && !haveIcon) {
      haveIcon = true;
      box.icon = iconFlag(c);
    } else if (hasClass(c, L"Static") && id == kTextId && (style & SS_NOPREFIX) && !haveText) {
      haveText = true;
      box.text = windowText(c);
    } else if (hasClass(c, L"Button") && isPushButton(style) && (id == IDHELP || (id >= IDOK && id <= IDCONTINUE))) {
      box.buttonWindows.push_back(c);
      if (id == IDHELP) {
        box.help = true;
      } else {
        ids.push_back(id);
      }
    } else {
      return std::nullopt;  // a control that no message box has
    }
  }
  if (!haveText) return std::nullopt;
  auto set = std::find_if(buttonSets().begin(), buttonSets().end(), [&](const ButtonSet& s) { return s.matches(ids); });
  if (set == buttonSets().end()) return std::nullopt;
  box.buttons = set->flag;
  box.caption = windowText(window);
  box.owner = GetWindow(window, GW_OWNER);
  box.defaultButton = defaultButtonOf(window, box.buttonWindows);
  auto at = std::find(box.buttonWindows.begin(), box.buttonWindows.end(), box.defaultButton);
  box.defaultFlag = static_cast<UINT>(at - box.buttonWindows.begin()) * MB_DEFBUTTON2;
  return box;
}

const char* buttonName(int id) {
  switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDHELP: return "Help";
    case IDTRYAGAIN: return "Try again";
    case IDCONTINUE: return "Continue";
  }
  return "?";
}

std::string describeFlags(UINT flags) {
  std::string out;
  switch (flags & MB_ICONMASK) {
    case 0: out = "no icon"; break;
    case MB_ICONERROR: out = "error icon"; break;
    case MB_ICONQUESTION: out = "question icon"; break;
    case MB_ICONWARNING: out = "warning icon"; break;
    case MB_ICONINFORMATION: out = "information icon"; break;
    case MB_USERICON: out = "own icon"; break;
    default: out = "icon " + std::to_string(flags & MB_ICONMASK); break;
  }
  std::string buttons;
  for (const ButtonSet& s : buttonSets()) {
    if (s.flag != (flags & MB_TYPEMASK)) continue;
    for (int id : s.ids) buttons += (buttons.empty() ? "" : "/") + std::string(buttonName(id));
  }
  if (buttons.empty()) buttons = "buttons " + std::to_string(flags & MB_TYPEMASK);
  out += ", " + buttons;
  if (flags & MB_HELP) out += " + Help";
  if (flags & MB_DEFMASK) out += ", default button " + std::to_string(((flags & MB_DEFMASK) >> 8) + 1);
  return out;
}

}  // namespace vdhost
