// The compiled resources of VdShared.dll: the six dialog templates with the
// controls the dialog code addresses, their layout as Windows makes it (no
// overlaps, no clipped texts), the module icon, the boundary-mark bitmap and
// the terminator icons.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/text.h"
#include "tools/png/bitmap_png.h"
#include "tools/vdhost/dialog_template.h"
#include "ui/gdi.h"

namespace {

using vdhost::DialogItem;
using vdhost::DialogTemplate;

std::string utf8(const std::wstring& text) {
  return vd::utf16ToUtf8(vd::vstring_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

enum class Kind { Label, Group, Check, Push, OwnerDrawn, Edit, ReadOnlyEdit, ComboEdit, ComboList, ComboExList, Other };

const char* kindName(Kind k) {
  // In the order of Kind.
  static const char* const names[] = {"label", "group box", "check box", "push button", "owner-drawn button", "edit",
                                      "read-only edit", "combo with edit field", "drop-down list",
                                      "extended drop-down list", "other"};
  return names[static_cast<int>(k)];
}

bool isClass(const DialogItem& item, const wchar_t* name) { return _wcsicmp(item.windowClass.c_str(), name) == 0; }

// Class names compare without regard to case: the resource compiler stores
// the predefined classes as ordinals, or as given in a CONTROL statement.
Kind kindOf(const DialogItem& item) {
  if (isClass(item, L"Static")) {
    const DWORD type = item.style & SS_TYPEMASK;
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT ? Kind::Label : Kind::Other;
  }
  if (isClass(item, L"Button")) {
    switch (item.style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON: return Kind::Push;
      case BS_AUTOCHECKBOX: return Kind::Check;
      case BS_GROUPBOX: return Kind::Group;
      case BS_OWNERDRAW: return Kind::OwnerDrawn;
      default: return Kind::Other;
    }
  }
  if (isClass(item, L"Edit")) return item.style & ES_READONLY ? Kind::ReadOnlyEdit : Kind::Edit;
  const DWORD comboType = item.style & 3;
  if (isClass(item, L"ComboBox")) {
    return comboType == CBS_DROPDOWN ? Kind::ComboEdit : comboType == CBS_DROPDOWNLIST ? Kind::ComboList : Kind::Other;
  }
  if (isClass(item, WC_COMBOBOXEXW) && comboType == CBS_DROPDOWNLIST) return Kind::ComboExList;
  return Kind::Other;
}

// A control the dialog code addresses: its id and kind, its own text (null:
// none given), the text of the item right before it in the tab order, which
// names it (null: none), the group box it lies in (null: none), and whether
// it shows when the dialog opens.
struct Control {
  int id;
  Kind kind;
  const char* text = nullptr;
  const char* label = nullptr;
  const char* group = nullptr;
  bool visible = true;
};

struct Expected {
  int templateId;
  const char* title;
  std::vector<Control> controls;
};

constexpr const char* kSection = "Řez";
constexpr const char* kPlan = "Půdorys";
const Control kOk{IDOK, Kind::Push, "OK"};
const Control kCancel{IDCANCEL, Kind::Push, "Storno"};
const Control kHelp{IDHELP, Kind::Push, "Nápověda"};

std::vector<Expected> expectedTemplates() {
  // The colour dialog: the swatches are owner-drawn buttons.
  Expected colour{101, "Vyberte barvu", {
      {123, Kind::Edit, "", "Barva:"},
      {109, Kind::Push, "Podle &Hladiny"},
      {110, Kind::Push, "Podle &Bloku"},
      kOk, kCancel,
  }};
  for (int id = 1002; id <= 1016; ++id) colour.controls.push_back({id, Kind::OwnerDrawn});
  for (int id : {1023, 1025, 1026}) colour.controls.push_back({id, Kind::OwnerDrawn});
  return {colour,
          {102, "Nastavení pozadí", {
            {104, Kind::Group, "Barva výplně pozadí"},
            {106, Kind::Check, "Použít barvu pozadí z výkresu", nullptr, "Barva výplně pozadí"},
            {108, Kind::ComboExList, nullptr, "Barva:", "Barva výplně pozadí"},
            kOk, kCancel,
          }},
          {1000, "Nastavení parametrů výškových kót", {
            {1002, Kind::ComboList, nullptr, "Typ kóty:", kSection},
            {1003, Kind::Label, "Hladina:", nullptr, kSection},
            {1004, Kind::ComboEdit, nullptr, "Hladina:", kSection},
            {109, Kind::Push, "Hladina:", nullptr, kSection, false},
            {1070, Kind::ComboList, nullptr, "Hladina:", kSection, false},
            {1006, Kind::ComboExList, nullptr, "Barva kóty:", kSection},
            {1008, Kind::ComboEdit, nullptr, "Zaokrouhlení [m]:", kSection},
            {1009, Kind::Check, "Značka", nullptr, kSection},
            {1011, Kind::ComboEdit, nullptr, "Délka svislé kót. čáry [mm]:", kSection},
            {1013, Kind::ComboEdit, nullptr, "Délka vodorovné kót. čáry [mm]:", kSection},
            {1014, Kind::Label, "Typ hraniční značky:", nullptr, kSection},
            {1015, Kind::ComboExList, nullptr, "Typ hraniční značky:", kSection},
            {1017, Kind::ComboEdit, nullptr, "Velikost hraniční značky [mm]:", kSection},
            {1019, Kind::ComboEdit, nullptr, " x", kSection},
            {1021, Kind::ComboList, nullptr, "Styl textu:", kSection},
            {1023, Kind::ComboExList, nullptr, "Barva textu:", kSection},
            {1025, Kind::ComboEdit, nullptr, "Výška textu [mm]:", kSection},
            {1027, Kind::ComboEdit, nullptr, "Šířkový faktor textu:", kSection},
            {1029, Kind::ComboEdit, nullptr, "Odsazení textu:", kSection},
            {1031, Kind::ComboList, nullptr, "Desetiný oddělovač", kSection},
            {1032, Kind::Label, "Vynášecí čára:", nullptr, kSection},
            {1033, Kind::Check, nullptr, "Vynášecí čára:", kSection},
            {1034, Kind::Label, "Délka:", nullptr, kSection},
            {1035, Kind::ComboEdit, nullptr, "Délka:", kSection},
            {1037, Kind::Check, "Znaménko \"+\" u kladných hodnot:", nullptr, kSection},
            {1039, Kind::Check, "Znaménko \"±\" u hodnoty 0.000", nullptr, kSection},
            {1040, Kind::Check, "Použít masku pozadí", nullptr, kSection},
            {1041, Kind::Push, "…", nullptr, kSection},
            {1065, Kind::OwnerDrawn, nullptr, nullptr, kSection},
            {1042, Kind::Label, "Hladina:", nullptr, kPlan},
            {1043, Kind::ComboEdit, nullptr, "Hladina:", kPlan},
            {1069, Kind::Push, "Hladina:", nullptr, kPlan, false},
            {1071, Kind::ComboList, nullptr, "Hladina:", kPlan, false},
            {1045, Kind::ComboExList, nullptr, "Barva rámečku:", kPlan},
            {1047, Kind::ComboEdit, nullptr, "Velikost rámečku min. [mm]:", kPlan},
            {1049, Kind::ComboEdit, nullptr, " x", kPlan},
            {1051, Kind::ComboExList, nullptr, "Typ hraniční značky:", kPlan},
            {1053, Kind::ComboEdit, nullptr, "Velikost hraniční značky [mm]:", kPlan},
            {1055, Kind::ComboList, nullptr, "Styl textu:", kPlan},
            {1057, Kind::ComboExList, nullptr, "Barva textu:", kPlan},
            {1059, Kind::ComboEdit, nullptr, "Výška textu [mm]:", kPlan},
            {1061, Kind::ComboEdit, nullptr, "Šířkový faktor textu:", kPlan},
            {1062, Kind::Check, "Použít masku pozadí", nullptr, kPlan},
            {1063, Kind::Push, "…", nullptr, kPlan},
            {1066, Kind::OwnerDrawn, nullptr, nullptr, kPlan},
            kOk, kCancel, kHelp,
          }},
          {1001, "Editace výškových kót", {
            {1002, Kind::Check, "Kreslit vynášecí čáru"},
            {1003, Kind::Check, "Posunout na vynášecí čáru"},
            {1004, Kind::Check, "Zrcadlit kóty"},
            {1005, Kind::Check, "Upravit kóty dle nastavení:"},
            {1006, Kind::Push, "Nastavení..."},
            kOk, kCancel, kHelp,
          }},
          {1002, "Půdorysná výšková kóta", {
            {1003, Kind::Label, "Hodnota výšky:"},
            {1004, Kind::ComboEdit, nullptr, "Hodnota výšky:"},
            {1005, Kind::Check, "Opakování funkce"},
            {1006, Kind::Label, "Vkládací bod:"},
            {1007, Kind::ComboList, nullptr, "Vkládací bod:"},
            kOk, kCancel,
          }},
          {1003, "Délka části oblouku", {
            {1001, Kind::Label, "Délka části oblouku je:"},
            {1002, Kind::ReadOnlyEdit, nullptr, "Délka části oblouku je:"},
            kOk,
          }}};
}

bool contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}
bool overlaps(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
// An item's place in dialog units; a combo's height in the template is that
// of its dropped-down list, of which only the top (the closed field) counts.
RECT templateRect(const DialogItem& item) {
  const bool combo = isClass(item, L"ComboBox") || isClass(item, WC_COMBOBOXEXW);
  const int height = combo ? std::min<int>(item.cy, 14) : item.cy;
  return RECT{item.x, item.y, item.x + item.cx, item.y + height};
}

// Template `id` of `module` as a hidden live dialog whose procedure leaves
// everything to the dialog manager.
ui::unique_hwnd openDialog(HMODULE module, int id) {
  const DLGPROC plain = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; };
  return ui::unique_hwnd(CreateDialogParamW(module, MAKEINTRESOURCEW(id), nullptr, plain, 0));
}

class Resources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW(L"VdShared.dll");
    // The extended combo boxes of the templates are common controls.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "VdShared.dll did not load: error " << GetLastError(); }

  static HMODULE module_;
};
HMODULE Resources::module_ = nullptr;

// Every template: its title, frame and font, and each control the dialog
// code addresses with its kind, text, label and group.
TEST_F(Resources, TemplatesHoldTheirControls) {
  for (const Expected& e : expectedTemplates()) {
    SCOPED_TRACE("template " + std::to_string(e.templateId));
    DialogTemplate t;
    ASSERT_TRUE(vdhost::loadDialogTemplate(module_, e.templateId, t));
    EXPECT_EQ(utf8(t.title), e.title);
    const DWORD frame = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP | DS_SHELLFONT;
    EXPECT_EQ(t.style & frame, frame) << "style " << std::hex << t.style;
    EXPECT_EQ(t.style & WS_VISIBLE, 0u) << "the dialog code shows the dialog";
    EXPECT_EQ(utf8(t.fontName), "MS Shell Dlg");
    EXPECT_EQ(t.pointSize, 8);

    std::map<int, int> indexOf;
    for (size_t i = 0; i < t.items.size(); ++i) {
      if (t.items[i].id == -1) continue;
      EXPECT_TRUE(indexOf.emplace(t.items[i].id, static_cast<int>(i)).second) << "id " << t.items[i].id << " twice";
    }
    for (const Control& c : e.controls) {
      SCOPED_TRACE("control " + std::to_string(c.id));
      auto found = indexOf.find(c.id);
      ASSERT_NE(found, indexOf.end());
      const DialogItem& item = t.items[found->second];
      EXPECT_STREQ(kindName(kindOf(item)), kindName(c.kind));
      if (c.text) {
        EXPECT_EQ(utf8(item.text), c.text);
      }
      if (c.label) {
        ASSERT_GT(found->second, 0);
        EXPECT_EQ(utf8(t.items[found->second - 1].text), c.label) << "the item before names the control";
      }
      EXPECT_EQ((item.style & WS_VISIBLE) != 0, c.visible);
      if (c.group) {
        auto group = std::find_if(t.items.begin(), t.items.end(), [&](const DialogItem& g) {
          return kindOf(g) == Kind::Group && utf8(g.text) == c.group;
        });
        ASSERT_NE(group, t.items.end()) << "no group " << c.group;
        EXPECT_TRUE(contains(templateRect(*group), templateRect(item))) << "outside group " << c.group;
      }
    }
  }
}

// Rules every template keeps, beyond what the code addresses: labels stand
// right before a control, a group box comes right before the controls it
// frames, what takes input is a tab stop, OK is the default button.
TEST_F(Resources, TemplatesFollowTheLayoutRules) {
  for (const Expected& e : expectedTemplates()) {
    SCOPED_TRACE("template " + std::to_string(e.templateId));
    DialogTemplate t;
    ASSERT_TRUE(vdhost::loadDialogTemplate(module_, e.templateId, t));
    const auto& items = t.items;
    for (size_t i = 0; i < items.size(); ++i) {
      const DialogItem& item = items[i];
      const Kind kind = kindOf(item);
      SCOPED_TRACE("item " + std::to_string(i) + " (" + utf8(item.text) + ")");
      EXPECT_NE(kind, Kind::Other);
      if (kind == Kind::Label) {
        ASSERT_LT(i + 1, items.size());
        const Kind next = kindOf(items[i + 1]);
        EXPECT_TRUE(next != Kind::Label && next != Kind::Group) << "a label names the control after it";
      }
      const bool input = kind == Kind::Check || kind == Kind::Push || kind == Kind::Edit ||
                         kind == Kind::ReadOnlyEdit || kind == Kind::ComboEdit || kind == Kind::ComboList ||
                         kind == Kind::ComboExList;
      EXPECT_TRUE(!input || (item.style & WS_TABSTOP)) << "not a tab stop";
      if (item.id == IDOK) {
        EXPECT_EQ(item.style & BS_TYPEMASK, DWORD(BS_DEFPUSHBUTTON));
      }
      if (kind == Kind::Group) {
        // The items inside the box follow it without a gap.
        const RECT box = templateRect(item);
        size_t end = i + 1;
        while (end < items.size() && kindOf(items[end]) != Kind::Group && contains(box, templateRect(items[end]))) ++end;
        for (size_t j = 0; j < items.size(); ++j) {
          EXPECT_FALSE((j < i || j >= end) && contains(box, templateRect(items[j])))
              << "item " << j << " (" << utf8(items[j].text) << ") lies in the box but is not tabbed with it";
        }
      }
    }
  }
}

// Text extent of a control's text in its own font; '&' marks a mnemonic.
SIZE textExtent(HWND control, const std::wstring& text) {
  std::wstring shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    shown.push_back(text[i]);
  }
  ui::window_dc dc(control);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  ui::select_result selected(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), shown.c_str(), static_cast<int>(shown.size()), &size);
  return size;
}

RECT rectInDialog(HWND dialog, HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The live dialogs as Windows lays them out in the dialog font: every visible
// control inside the client area, no two overlapping (a group box only
// around whole controls), every text wholly shown. The boundary-mark combo
// gets the 32-pixel item height it has in use.
TEST_F(Resources, LiveDialogsShowEveryControlWhole) {
  for (const Expected& e : expectedTemplates()) {
    SCOPED_TRACE("template " + std::to_string(e.templateId));
    DialogTemplate t;
    ASSERT_TRUE(vdhost::loadDialogTemplate(module_, e.templateId, t));
    ui::unique_hwnd dialog = openDialog(module_, e.templateId);
    ASSERT_TRUE(dialog) << "error " << GetLastError();
    if (e.templateId == 1000) SendDlgItemMessageW(dialog.get(), 1015, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 32);
    RECT client{};
    GetClientRect(dialog.get(), &client);

    struct Placed {
      HWND window;
      RECT rect;
      Kind kind;
      std::string text;
    };
    std::vector<Placed> shown;
    size_t children = 0;
    for (HWND w = GetWindow(dialog.get(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      ASSERT_LT(children, t.items.size());
      const DialogItem& item = t.items[children++];
      EXPECT_TRUE(item.id == -1 || GetDlgCtrlID(w) == item.id) << "id " << GetDlgCtrlID(w) << " for " << item.id;
      if (!(GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE)) continue;
      shown.push_back({w, rectInDialog(dialog.get(), w), kindOf(item), utf8(item.text)});
    }
    EXPECT_EQ(children, t.items.size()) << "every template item became a window";

    for (size_t i = 0; i < shown.size(); ++i) {
      const Placed& a = shown[i];
      SCOPED_TRACE("control " + std::to_string(GetDlgCtrlID(a.window)) + " (" + a.text + ")");
      EXPECT_TRUE(contains(client, a.rect)) << "outside the client area";
      for (size_t j = i + 1; j < shown.size(); ++j) {
        const Placed& b = shown[j];
        if (!overlaps(a.rect, b.rect)) continue;
        const bool framed = (a.kind == Kind::Group && contains(a.rect, b.rect)) ||
                            (b.kind == Kind::Group && contains(b.rect, a.rect));
        EXPECT_TRUE(framed) << "overlaps control " << GetDlgCtrlID(b.window) << " (" << b.text << ")";
      }
      if (a.text.empty()) continue;
      wchar_t buffer[256] = {};
      GetWindowTextW(a.window, buffer, 256);
      const SIZE extent = textExtent(a.window, buffer);
      const int width = a.rect.right - a.rect.left;
      const int height = a.rect.bottom - a.rect.top;
      switch (a.kind) {
        case Kind::Label:
          EXPECT_LE(extent.cx, width) << "label cut off";
          EXPECT_LE(extent.cy, height) << "label cut off at the bottom";
          break;
        case Kind::Check:
          EXPECT_LE(GetSystemMetrics(SM_CXMENUCHECK) + 4 + extent.cx, width) << "check box text cut off";
          EXPECT_LE(extent.cy, height);
          break;
        case Kind::Push:
          EXPECT_LE(extent.cx + 8, width) << "button text cut off";
          EXPECT_LE(extent.cy + 4, height);
          break;
        case Kind::Group: EXPECT_LE(extent.cx + 16, width) << "group title cut off"; break;
        default: break;
      }
    }
  }
}

// Pixels of a bitmap or of an icon drawn on white, as RGB rows.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  bool ink(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return p[0] + p[1] + p[2] < 3 * 160;
  }
  bool white(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
  }
  int inked() const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += ink(x, y);
    return n;
  }
};

// Icon `id` of a module at `size` pixels drawn on white; no pixels when it
// does not load.
Pixels iconOnWhite(HMODULE module, int id, int size) {
  Pixels out;
  HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
  ui::memory_surface surface;
  if (!icon || !surface.create(nullptr, size, size)) return out;
  RECT all{0, 0, size, size};
  FillRect(surface.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawIconEx(surface.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  DestroyIcon(icon);
  out.width = out.height = size;
  out.rgb = vdpng::bitmapRgb(surface.dc(), surface.bitmap(), size, size);
  return out;
}

// Image sizes an icon resource offers, from its group directory.
std::set<int> iconSizes(HMODULE module, int id) {
  std::set<int> sizes;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const uint8_t* data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (!data) return sizes;
  const DWORD size = SizeofResource(module, found);
  uint16_t count = 0;
  std::memcpy(&count, data + 4, 2);
  for (uint16_t i = 0; i < count && 6u + 14u * (i + 1) <= size; ++i) {
    const int width = data[6 + 14 * i];
    sizes.insert(width == 0 ? 256 : width);
  }
  return sizes;
}

TEST_F(Resources, ModuleIconInEveryWindowSize) {
  EXPECT_EQ(iconSizes(module_, 100), (std::set<int>{16, 32, 48}));
  for (int size : {16, 32}) {
    const Pixels p = iconOnWhite(module_, 100, size);
    ASSERT_EQ(p.rgb.size(), static_cast<size_t>(size * size * 3)) << size;
    EXPECT_GT(p.inked(), size * size / 20) << "the icon shows something at " << size;
  }
}

// Bitmap 1001: six boundary marks 45 × 32 on white, each within its own cell,
// all different; the filled variants 2 and 4 add ink on the left, resp. the
// right of the mark's vertical line to the outlines of 1 and 3.
TEST_F(Resources, BoundaryMarkBitmap) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(module_, MAKEINTRESOURCEW(1001), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 270);
  EXPECT_EQ(info.bmHeight, 32);
  const int height = std::abs(info.bmHeight);
  const Pixels p{info.bmWidth, height, vdpng::bitmapRgb(ui::window_dc(nullptr).get(), bitmap, info.bmWidth, height)};
  DeleteObject(bitmap);
  ASSERT_EQ(p.rgb.size(), static_cast<size_t>(270 * 32 * 3));
  EXPECT_TRUE(p.white(0, 0)) << "white is the transparent colour of the image list";

  constexpr int kCell = 45;
  std::vector<std::vector<bool>> cells(6);
  std::vector<int> verticalLine(6, -1);
  for (int c = 0; c < 6; ++c) {
    SCOPED_TRACE("mark " + std::to_string(c));
    int inked = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < kCell; ++x) {
        const bool ink = p.ink(c * kCell + x, y);
        cells[c].push_back(ink);
        inked += ink;
        const bool edge = x == 0 || x == kCell - 1 || y == 0 || y == 31;
        EXPECT_FALSE(edge && ink) << "touches the cell edge at " << x << "," << y;
      }
    }
    EXPECT_GT(inked, 40);
    // The vertical line: the column with the most ink.
    int best = 0;
    for (int x = 0; x < kCell; ++x) {
      int n = 0;
      for (int y = 0; y < 32; ++y) n += cells[c][y * kCell + x];
      if (n > best) best = n, verticalLine[c] = x;
    }
    for (int other = 0; other < c; ++other) EXPECT_NE(cells[c], cells[other]) << "same picture as mark " << other;
  }
  // The ink of mark `filled` that mark `outline` lacks, left and right of the filled one's vertical line.
  auto extraInk = [&](int filled, int outline) {
    std::pair<int, int> ink{0, 0};
    for (int i = 0; i < 32 * kCell; ++i)
      if (cells[filled][i] && !cells[outline][i]) (i % kCell < verticalLine[filled] ? ink.first : ink.second)++;
    return ink;
  };
  const auto [left2, right2] = extraInk(2, 1);
  EXPECT_GT(left2, 20) << "mark 2 fills the left half";
  EXPECT_EQ(right2, 0);
  const auto [left4, right4] = extraInk(4, 3);
  EXPECT_GT(right4, 20) << "mark 4 fills the right half";
  EXPECT_EQ(left4, 0);
}

// Icons 5000..5017: one per terminator, each in the image-list sizes, drawn
// on a transparent ground, no two alike: the terminator combo shows them as
// the pictures of its items.
TEST_F(Resources, TerminatorIcons) {
  std::map<std::vector<uint8_t>, int> seen;  // the 16-pixel picture, by its icon
  for (int id = 5000; id <= 5017; ++id) {
    SCOPED_TRACE("icon " + std::to_string(id));
    EXPECT_EQ(iconSizes(module_, id), (std::set<int>{11, 16, 22, 32}));
    for (int size : {11, 16}) {
      const Pixels p = iconOnWhite(module_, id, size);
      ASSERT_EQ(p.rgb.size(), static_cast<size_t>(size * size * 3)) << size;
      EXPECT_TRUE(p.white(0, 0) && p.white(size - 1, 0) && p.white(0, size - 1)) << "transparent corners";
      EXPECT_GE(p.inked(), size / 2) << "at " << size;
      if (size == 16) {
        const auto [at, fresh] = seen.emplace(p.rgb, id);
        EXPECT_TRUE(fresh) << "looks like icon " << at->second;
      }
    }
  }
}

}  // namespace
