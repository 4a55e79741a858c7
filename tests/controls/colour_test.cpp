// The colour controls under Wine, driven by real input: swatches drawn on
// their ground, the colour dialog (template 101 of VdShared.dll) picked by
// clicks and typed names, the colour combo with its host, the background
// mask dialog (template 102), ColorExtFunction refusing bad calls. The host
// is the headless one, bound in this process; the module's templates and
// texts come from VdShared.dll.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "colour/colour_value.h"
#include "colour/palette.h"
#include "colour_test_ids.h"
#include "controls/colour_button.h"
#include "controls/colour_combo.h"
#include "controls/colour_dialog.h"
#include "controls/colour_ext_dialog.h"
#include "controls/mask_dialog.h"
#include "dialog_ids.h"
#include "dialog_script.h"
#include "dropped_picture.h"
#include "module_environment.h"
#include "script_run.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tools/png/bitmap_png.h"
#include "ui/dialog.h"
#include "ui/gdi.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

namespace {

using hostsim::Host;
using vd::colour::kNone;

const testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new uitest::ModuleEnvironment);
ui::unique_hwnd g_mainWindow;

// The host's own colour dialog behind ColorExtFunctionW modes 1..4, which
// lies outside the module: it answers what the test says and notes what it
// was asked. Mode 0 (names and swatch colours) is the module's own.
struct HostColourDialog {
  using Asked = std::tuple<int, std::uint32_t, std::wstring, HWND>;  // mode, colour, text, parent
  std::vector<Asked> asked;
  std::optional<std::uint32_t> answer;  // nothing: cancelled
  bool failNames = false;               // mode 0 fails
} g_hostDialog;

int hostColourExt(void* parent, int mode, std::uint32_t* colour, std::uint32_t* rgb, vd::vchar* text, int length) {
  if (mode >= 1 && mode <= 4) {
    g_hostDialog.asked.emplace_back(mode, colour ? *colour : 0, text ? ui::toWide(text) : L"", static_cast<HWND>(parent));
    if (!g_hostDialog.answer || !colour) return 0;
    *colour = *g_hostDialog.answer;
    return 1;
  }
  if (g_hostDialog.failNames) return 0;
  ui::ModuleStateScope module(&uitest::moduleUnderTestState());
  return vd::colourExtFunction(static_cast<HWND>(parent), mode, colour, rgb, text, length);
}

// The drawing's layers as FindLayerInfoA answers: "STĚNY" has colour 5.
int findLayer(const char* name, void* record) {
  if (!name || std::strcmp(name, "ST\xCCNY") != 0) return 0;
  static_cast<vd::HostLayerRecord*>(record)->colour = 5;
  return 1;
}

// What SetColorDialogTrueColor was given: size, tag, parent, colour, offers.
std::tuple<std::int32_t, std::int32_t, vd::HostWindow, std::uint32_t, std::uint32_t> g_trueColourAsked;
int trueColourDialog(void* record) {
  auto* r = static_cast<vd::HostTrueColourRecord*>(record);
  g_trueColourAsked = {r->size, r->tag, r->parent, r->colour, r->offers};
  if (!g_hostDialog.answer) return 0;
  r->colour = *g_hostDialog.answer;
  return 1;
}

class ColourControls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { g_mainWindow = uitest::makePlainWindow(L"ColourTestHost", WS_OVERLAPPEDWINDOW); }
  static void TearDownTestSuite() { g_mainWindow.reset(); }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(uitest::bindTestHost());
    Host& host = Host::instance();
    host.mainWindow = g_mainWindow.get();
    host.appIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    host.windowOperations.colourExt = &hostColourExt;
    vd::hostApi()->FindLayerInfoA = &findLayer;
    g_hostDialog = HostColourDialog{};
    g_trueColourAsked = {};
  }
  void TearDown() override {
    vd::unbindHost();
    Host::instance().windowOperations.colourExt = nullptr;
  }
};

// A pixel of a control as it shows now, as 0x00BBGGRR: at `at`, or in its middle.
std::uint32_t pixelOf(HWND control, POINT at) { return static_cast<std::uint32_t>(uitest::screenPixel(control, at)); }
std::uint32_t centrePixel(HWND control) { return pixelOf(control, uitest::clientCentre(control)); }

// ---------------------------------------------------------------------------
// Swatches

class SwatchDialog : public ui::Dialog {
 public:
  SwatchDialog() : ui::Dialog(IDD_COLOUR_SWATCHES) {
    Bind(IDC_COLOUR_SINGLE, single);
    Bind(IDC_COLOUR_GRID, grid);
    grid.setGrid(18, 5, -2, 24, 10);
  }
  vd::AcLtColorBtn single, grid;
};

// ---------------------------------------------------------------------------
// The colour dialog

struct Typed {
  std::wstring text;
  std::uint32_t expected;  // the colour after leaving the field
  const wchar_t* shown;    // the field's text then
};

// Types each text into the colour field (replacing it, as a user would),
// leaves the field, and checks the colour and the field.
void typeAll(uitest::DialogScript& script, vd::AcLtColorDlg& dlg, const std::vector<Typed>& rows) {
  for (const Typed& row : rows) {
    script
        .then([&dlg, row] {
          HWND edit = dlg.item(IDC_COLOR_NAME).hwnd();
          SetFocus(edit);
          // Texts longer than a user types go in by the clipboard.
          if (row.text.size() > 100) {
            ASSERT_TRUE(OpenClipboard(edit));
            EmptyClipboard();
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (row.text.size() + 1) * sizeof(wchar_t));
            std::memcpy(GlobalLock(memory), row.text.c_str(), (row.text.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(memory);
            SetClipboardData(CF_UNICODETEXT, memory);
            CloseClipboard();
            SendMessageW(edit, EM_SETSEL, 0, -1);
            PostMessageW(edit, WM_PASTE, 0, 0);
          } else {
            SendMessageW(edit, EM_SETSEL, 0, -1);
            uitest::postChars(edit, row.text.empty() ? L"" : row.text.c_str());
            if (row.text.empty()) uitest::postKey(edit, VK_DELETE);
          }
        })
        .then([&dlg, row] {
          if (row.text.size() > 100) {
            EXPECT_EQ(dlg.item(IDC_COLOR_NAME).text(), std::wstring(64, row.text[0])) << "the field takes 64 characters";
          }
          // Leaves the field for OK, as Tab or a click elsewhere does.
          PostMessageW(dlg.hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(dlg.item(IDOK).hwnd()), TRUE);
        })
        .then([&dlg, row] {
          const std::wstring what = row.text.size() > 40 ? row.text.substr(0, 40) + L"..." : row.text;
          EXPECT_EQ(dlg.colour(), row.expected) << ui::wideToUtf8(what);
          EXPECT_EQ(dlg.item(IDC_COLOR_NAME).text(), row.shown) << ui::wideToUtf8(what);
        });
  }
}

TEST_F(ColourControls, ColourDialogWithoutLogicalColours) {
  ui::ModuleStateScope module(&uitest::moduleUnderTestState());
  vd::AcLtColorDlg dlg(5, kNone, kNone);
  uitest::DialogScript script(dlg);
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show").then([&] {
    EXPECT_FALSE(dlg.item(IDC_COLOR_BYLAYER).enabled());
    EXPECT_FALSE(dlg.item(IDC_COLOR_BYBLOCK).enabled()) << "by block is greyed";
    EXPECT_EQ(dlg.item(IDC_COLOR_NAME).text(), L"Modrá");
    EXPECT_EQ(centrePixel(dlg.item(IDC_COLOR_CURRENT).hwnd()), vd::colour::rgb(0, 0, 255));
  });
  const std::wstring loneSurrogates{L'1', static_cast<wchar_t>(0xD800), L'2', static_cast<wchar_t>(0xDC01)};
  typeAll(script, dlg,
          {
              {L"0", 5, L"Modrá"},               // by block is not offered: the colour stays
              {L"256", 5, L"Modrá"},             // nor by layer
              {L"  zelená ", 3, L"Zelená"},      // a name, any case, blanks around
              {L"42", 42, L"42"},
              {L"300", 42, L"42"},
              {L"1, 2, 3", 42, L"42"},           // true colours are not typed here
              {L"", 42, L"42"},
              {loneSurrogates, 42, L"42"},
              {std::wstring(100000, L'7'), 42, L"42"},  // pasted: as much as the field takes, no number
              {L"7", 7, L"Černá/bílá"},
          });
  script.then([&] {
    // A click on a cell of the full-colour grid picks that cell's colour,
    // and the current swatch shows it at once.
    uitest::postClick(dlg.item(IDC_COLOR_GRID_FULL).hwnd(), POINT{3, 3});
  });
  script.then([&] {
    EXPECT_EQ(dlg.colour(), 18u);
    EXPECT_EQ(dlg.item(IDC_COLOR_NAME).text(), L"18");
    EXPECT_EQ(centrePixel(dlg.item(IDC_COLOR_CURRENT).hwnd()), vd::colour::rgb_of_index(18));
    // (A gap between cells picks nothing, a grey swatch its grey: the
    // scenario tests/scenarios/colorext_dialog.vds clicks both.)
    // Typed and confirmed with Enter without leaving the field.
    HWND edit = dlg.item(IDC_COLOR_NAME).hwnd();
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    uitest::postChars(edit, L"Žlutá");
    uitest::postKey(edit, VK_RETURN);
  });
  uitest::runScript(script);
  EXPECT_EQ(dlg.colour(), 2u) << "Enter reads the field before the dialog closes";
}

// ---------------------------------------------------------------------------
// The colour combo

class ComboDialog : public ui::Dialog {
 public:
  ComboDialog(bool byLayer, bool byBlock, bool trueColour) : ui::Dialog(IDD_COLOUR_COMBO) {
    combo.setOffers(byLayer, byBlock);
    combo.setLayerName(u"STĚNY");
    combo.setTrueColour(trueColour);
    Bind(IDC_COLOUR_COMBO, combo);
  }
  vd::colorCombo combo;
};

std::vector<std::wstring> itemTexts(const vd::colorCombo& combo) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < combo.count(); ++i) texts.push_back(combo.itemText(i));
  return texts;
}

int itemImage(const vd::colorCombo& combo, int index) {
  int image = -1;
  ui::comboExItemText(combo.hwnd(), index, &image);
  return image;
}

// Chooses an item of the dialog's combo `id` as the arrow keys do in the
// closed list: the selection moves and the dialog hears the one change.
void chooseItem(const ui::Dialog& dlg, int id, int index) {
  HWND combo = dlg.item(id).hwnd();
  PostMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageW(dlg.hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// A pixel inside the frame of picture `image` of the combo's list, drawn
// as the list draws it.
COLORREF swatchPixel(const vd::colorCombo& combo, int image) {
  HIMAGELIST list = reinterpret_cast<HIMAGELIST>(SendMessageW(combo.hwnd(), CBEM_GETIMAGELIST, 0, 0));
  ui::memory_surface surface;
  if (!list || image < 0 || !surface.create(nullptr, 32, 32)) return CLR_INVALID;
  ImageList_Draw(list, image, surface.dc(), 0, 0, ILD_NORMAL);
  return GetPixel(surface.dc(), 3, 3);
}

TEST_F(ColourControls, ComboOffersColoursAndAddsAChosenOne) {
  ComboDialog dlg(true, true, false);
  uitest::DialogScript script(dlg);
  const std::vector<std::wstring> offered = {L"DleHlad", L"DleBlok", L"Červená", L"Žlutá", L"Zelená", L"SvModrá",
                                             L"Modrá", L"Fialová", L"Černá/bílá", L"Vybrat barvu..."};
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show")
      .then([&] {
        EXPECT_EQ(itemTexts(dlg.combo), offered);
        EXPECT_EQ(dlg.combo.curSel(), 8) << "7 is the colour of a new combo";
        EXPECT_EQ(dlg.combo.colour(), 7u);
        EXPECT_EQ(dlg.combo.itemData(9), vd::colorCombo::kChooseItem);
        int side = 0, height = 0;
        ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(dlg.combo.hwnd(), CBEM_GETIMAGELIST, 0, 0)),
                              &side, &height);
        EXPECT_EQ(side, dlg.combo.swatchSize());
        EXPECT_EQ(side, 12) << "12 pixels at 96 dots per inch";
        EXPECT_EQ(dlg.combo.extraWidth(), 18);
        // By layer shows the layer's blue: the same picture as Modrá.
        EXPECT_EQ(itemImage(dlg.combo, 0), itemImage(dlg.combo, 6));
        EXPECT_EQ(swatchPixel(dlg.combo, itemImage(dlg.combo, 0)), RGB(0, 0, 255));
        EXPECT_EQ(swatchPixel(dlg.combo, itemImage(dlg.combo, 8)), RGB(0, 0, 0)) << "7 on the white of the list";
        EXPECT_NE(itemImage(dlg.combo, 2), itemImage(dlg.combo, 3));
        g_hostDialog.answer = 33;
        chooseItem(dlg, IDC_COLOUR_COMBO, 9);
      })
      .then([&] {
        // Mode 4: by layer and by block offered.
        EXPECT_EQ(g_hostDialog.asked, (std::vector<HostColourDialog::Asked>{{4, 7, L"STĚNY", dlg.hwnd()}}));
        EXPECT_EQ(dlg.combo.colour(), 33u);
        std::vector<std::wstring> withCustom = offered;
        withCustom.push_back(L"33");
        EXPECT_EQ(itemTexts(dlg.combo), withCustom) << "the chosen colour joins the list after its items";
        EXPECT_EQ(dlg.combo.curSel(), 10);
        EXPECT_EQ(swatchPixel(dlg.combo, itemImage(dlg.combo, 10)), vd::colour::rgb_of_index(33));
        // Cancelled: the colour before stays.
        g_hostDialog.answer.reset();
        chooseItem(dlg, IDC_COLOUR_COMBO, 9);
      })
      .then([&] {
        EXPECT_EQ(dlg.combo.colour(), 33u);
        EXPECT_EQ(dlg.combo.curSel(), 10);
        EXPECT_EQ(dlg.combo.count(), 11) << "nothing added";
        chooseItem(dlg, IDC_COLOUR_COMBO, 1);
      })
      .then([&] {
        EXPECT_EQ(dlg.combo.colour(), 0u) << "by block chosen";
        // A colour the host gives no name for is not added.
        g_hostDialog.failNames = true;
        EXPECT_FALSE(dlg.combo.selectColour(40));
        EXPECT_EQ(dlg.combo.count(), 11);
        EXPECT_EQ(dlg.combo.colour(), 0u);
        EXPECT_EQ(dlg.combo.curSel(), -1) << "no item of a colour the combo does not hold";
        g_hostDialog.failNames = false;
        EXPECT_FALSE(dlg.combo.selectColour(vd::colour::kNoColourValue));
        EXPECT_TRUE(dlg.combo.selectColour(1));
        EXPECT_EQ(dlg.combo.curSel(), 2);
        // The list dropped down, pictured.
        SetFocus(dlg.combo.comboBox());
        uitest::postKey(dlg.combo.comboBox(), VK_F4);
      })
      .waitFor([&] { return dlg.combo.droppedDown(); }, "the list to drop")
      .then([&] {
        UpdateWindow(dlg.hwnd());
        std::string error;
        EXPECT_TRUE(
            uitest::writeDroppedCombo(dlg.hwnd(), dlg.combo.comboBox(), uitest::picturePath("colour-combo.png"), error))
            << error;
        dlg.combo.showDropDown(false);
        dlg.EndDialog(IDOK);
      });
  uitest::runScript(script);
}

// ---------------------------------------------------------------------------
// The background mask dialog

TEST_F(ColourControls, MaskDialogColourOnlyWhileTheBoxIsClear) {
  ui::ModuleStateScope module(&uitest::moduleUnderTestState());
  vd::CDlgMTextMask dlg(true, 3, u"STĚNY", nullptr);
  uitest::DialogScript script(dlg);
  HWND box = nullptr, combo = nullptr;
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show")
      .then([&] {
        box = dlg.item(IDC_MASK_USE_DRAWING).hwnd();
        combo = dlg.item(IDC_MASK_COLOR).hwnd();
        EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_FALSE(IsWindowEnabled(combo)) << "the box is checked";
        EXPECT_EQ(ui::comboExItemText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0))), L"Zelená");
        EXPECT_EQ(ui::comboExItemText(combo, 0), L"DleHlad");
        EXPECT_EQ(ui::comboExItemText(combo, 1), L"DleBlok");
        for (WPARAM size : {ICON_BIG, ICON_SMALL})
          EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dlg.hwnd(), WM_GETICON, size, 0)), Host::instance().appIcon);
        std::string error;
        EXPECT_TRUE(vdpng::writeWindow(dlg.hwnd(), uitest::picturePath("mask-dialog.png").string(), error)) << error;
        uitest::postClick(box, POINT{4, 4});
      })
      .then([&] {
        EXPECT_TRUE(dlg.useDrawingBackground() == false);
        EXPECT_TRUE(IsWindowEnabled(combo));
        uitest::postClick(box, POINT{4, 4});
      })
      .then([&] {
        EXPECT_TRUE(dlg.useDrawingBackground());
        EXPECT_FALSE(IsWindowEnabled(combo));
        EXPECT_EQ(dlg.colourIndex(), 3u) << "the stored colour stays";
        uitest::postClick(box, POINT{4, 4});
      })
      .then([&] {
        // A true colour close to red, from the host's colour dialog, stores index 1.
        g_hostDialog.answer = vd::colour::true_colour(250, 3, 2);
        chooseItem(dlg, IDC_MASK_COLOR, static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)) - 1);
      })
      .then([&] {
        EXPECT_EQ(dlg.colourIndex(), 1u);
        EXPECT_EQ(g_hostDialog.asked, (std::vector<HostColourDialog::Asked>{{4, 3, L"STĚNY", dlg.hwnd()}}));
        uitest::postClick(dlg.item(IDOK).hwnd(), POINT{4, 4});
      });
  uitest::runScript(script);
  EXPECT_FALSE(dlg.useDrawingBackground());
  EXPECT_EQ(dlg.colourIndex(), 1u);
  const std::vector<std::string>& transcript = Host::instance().transcript();
  EXPECT_NE(std::find(transcript.begin(), transcript.end(), "host: dialog 102 localized"), transcript.end());
}

TEST_F(ColourControls, ComboWithoutLogicalColoursAndWithTrueColours) {
  vd::hostApi()->SetColorDialogTrueColor = &trueColourDialog;
  ComboDialog dlg(false, true, true);
  uitest::DialogScript script(dlg);
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show")
      .then([&] {
        EXPECT_EQ(dlg.combo.itemText(0), L"DleBlok");
        EXPECT_EQ(dlg.combo.count(), 9);
        g_hostDialog.answer = 0x010000FEu;
        chooseItem(dlg, IDC_COLOUR_COMBO, 8);
      })
      .then([&] {
        EXPECT_EQ(g_trueColourAsked, std::tuple(32, -1, static_cast<vd::HostWindow>(dlg.hwnd()), 7u, vd::kOfferByBlock));
        EXPECT_TRUE(g_hostDialog.asked.empty()) << "the true-colour dialog instead of ColorExtFunctionW";
        EXPECT_EQ(dlg.combo.colour(), 0x010000FEu);
        EXPECT_EQ(dlg.combo.itemText(dlg.combo.curSel()), L"254, 0, 0");
        dlg.EndDialog(IDOK);
      });
  uitest::runScript(script);
}

TEST_F(ColourControls, SwatchesDrawTheirColoursOnTheirGround) {
  struct Row { std::uint32_t colour; COLORREF ground; COLORREF expected; const char* what; } rows[] = {
      {7, RGB(240, 240, 240), RGB(0, 0, 0), "7 is black on a light ground"},
      {7, RGB(30, 30, 30), RGB(255, 255, 255), "and white on a dark one"},
      {1, RGB(30, 30, 30), RGB(255, 0, 0), "red is red on any ground"},
      {0x010080FF, RGB(240, 240, 240), RGB(255, 128, 0), "a true colour as it is"},
      {256, RGB(30, 30, 30), RGB(255, 255, 255), "by layer unresolved: the foreground"},
  };
  SwatchDialog dlg;
  uitest::DialogScript script(dlg);
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show");
  for (const Row& row : rows) {
    script.then([&dlg, &row] {
      dlg.single.setGround(row.ground);
      dlg.single.setColour(row.colour);
      UpdateWindow(dlg.single.hwnd());
      EXPECT_EQ(centrePixel(dlg.single.hwnd()), static_cast<std::uint32_t>(row.expected)) << row.what;
    });
  }
  script.then([&] {
    // Each grid cell shows its palette colour: the middle of the cell under a point.
    HWND grid = dlg.grid.hwnd();
    const RECT r = dlg.grid.window().clientRect();
    for (POINT at : {POINT{2, 2}, POINT{r.right - 3, r.bottom - 3}, POINT{r.right / 2, r.bottom / 2}}) {
      const std::optional<std::uint32_t> colour = dlg.grid.colourAt(at);
      ASSERT_TRUE(colour) << at.x << "," << at.y;
      EXPECT_EQ(pixelOf(grid, at), vd::colour::rgb_of_index(static_cast<int>(*colour))) << *colour;
    }
    EXPECT_EQ(dlg.grid.colourAt(POINT{2, 2}), std::optional<std::uint32_t>(18));
    EXPECT_EQ(dlg.grid.colourAt(POINT{r.right - 1, r.bottom - 1}), std::optional<std::uint32_t>(240));
    dlg.EndDialog(IDOK);
  });
  uitest::runScript(script);
}

// A grid picks the cell a click lands on. A click from the keyboard has no
// point, so it picks nothing, even after a press that was released outside.
TEST_F(ColourControls, AGridPicksTheCellClickedAndNothingFromTheKeyboard) {
  const LPARAM cell = MAKELPARAM(2, 2), outside = MAKELPARAM(-20, -20);
  const struct Row {
    const char* what;
    std::vector<std::pair<UINT, LPARAM>> mouse;  // button down and up
    bool space;
    std::optional<std::uint32_t> picked;
  } rows[] = {
      {"a click on a cell", {{WM_LBUTTONDOWN, cell}, {WM_LBUTTONUP, cell}}, false, 18},
      {"Space", {}, true, std::nullopt},
      {"Space after a press released outside", {{WM_LBUTTONDOWN, cell}, {WM_LBUTTONUP, outside}}, true, std::nullopt},
  };
  SwatchDialog dlg;
  std::optional<std::uint32_t> picked;
  dlg.grid.onPick = [&](std::uint32_t colour, bool) { picked = colour; };
  uitest::DialogScript script(dlg);
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show");
  for (const Row& row : rows) {
    script.then([&dlg, &row, &picked] {
      picked.reset();
      SetFocus(dlg.grid.hwnd());
      for (const auto& [message, at] : row.mouse)
        PostMessageW(dlg.grid.hwnd(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, at);
      if (row.space) uitest::postKey(dlg.grid.hwnd(), VK_SPACE);
    });
    script.then([&row, &picked] { EXPECT_EQ(picked, row.picked) << row.what; });
  }
  script.then([&] { dlg.EndDialog(IDOK); });
  uitest::runScript(script);
}

}  // namespace
