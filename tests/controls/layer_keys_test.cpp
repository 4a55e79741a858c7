// The layer-key combo box in a dialog under Wine, driven by real keys and
// answered by the layer-settings extension beside the program (PELTAR.CRX),
// a broken one and none, with the headless host's layers behind the keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controls/combo_layer_keys.h"
#include "dialog_script.h"
#include "dropped_picture.h"
#include "script_run.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "hostsim/layers.h"
#include "layer_keys_dialog.h"
#include "layer_keys_test_ids.h"
#include "store/prf_store.h"
#include "tools/vdhost/message_box.h"
#include "ui/dialog.h"
#include "ui/wide_text.h"

namespace {

using vd::comboLayerKeys;
using hostsim::Host;

using layerkeystest::LayerKeysDialog;
constexpr uint32_t kSpecials = comboLayerKeys::kShowCurrentLayer | comboLayerKeys::kShowChooser;
const std::wstring kCurrent = L"<Aktuální hladina>";
const std::wstring kChooser = L"<Vybrat hladiny...>";

std::wstring besideProgram(const wchar_t* file) { return vd::pathBeside(vd::thisModulePath(), file); }

std::vector<std::wstring> entries(const comboLayerKeys& c) {
  std::vector<std::wstring> out;
  for (int i = 0; i < c.entryCount(); ++i) out.push_back(c.entryText(i));
  return out;
}

std::wstring selected(const comboLayerKeys& c) { return c.curSel() < 0 ? L"<none>" : c.entryText(c.curSel()); }

// Puts `text` into the combo's edit field, typed as a user would or at once as
// pasting does, and presses Enter.
void typeAndEnter(const comboLayerKeys& c, const std::wstring& text, bool paste = false) {
  HWND edit = c.editField();
  SetFocus(edit);
  if (paste) {
    SetWindowTextW(edit, text.c_str());
  } else {
    SendMessageW(edit, EM_SETSEL, 0, -1);
    uitest::postChars(edit, text.c_str());
  }
  uitest::postKey(edit, VK_RETURN);
}

// One step per key typed, each after the input of the one before has been handled.
void typeEach(uitest::DialogScript& s, const comboLayerKeys& c, std::vector<std::wstring> keys) {
  for (const std::wstring& key : keys) s.then([&c, key] { typeAndEnter(c, key); });
}

// The extension's chooser while it shows: a visible window of this thread with its template.
HWND shownChooser() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        if (IsWindowVisible(w) && ui::dialogTemplateId(w) == peltar::kChooserTemplate) *reinterpret_cast<HWND*>(p) = w;
        return !*reinterpret_cast<HWND*>(p);
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

using uitest::messageBoxOver;

class LayerKeys : public testing::Test {
 protected:
  void SetUp() override {
    vd::unbindHost();
    Host& host = Host::instance();
    host.reset();
    host.product = 1;
    for (const auto& [name, colour, key] : {std::tuple{u"Kóty", 3, u"Koty"}, {u"Zdi", 1, u"ZED"}, {u"Okna", 5, u""}})
      ASSERT_EQ(hostsim::defineLayer(host, name, colour, key), "");
    host.setVariable(u"CLAYER", hostsim::Variable{hostsim::Variable::Kind::String, {}, 0, u"Zdi"});
    ASSERT_TRUE(vd::bindHost(nullptr, &hostsim::resolveExport, nullptr));
  }
  void TearDown() override { vd::unbindHost(); }

  // Runs the dialog with `steps` queued after it shows; the steps end it with `expected`.
  template <typename Steps>
  void play(LayerKeysDialog& dlg, INT_PTR expected, Steps steps) {
    uitest::DialogScript script(dlg);
    script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show");
    steps(script);
    uitest::runScript(script, expected);
  }
};

TEST(LayerKeyRules, ForbiddenCharactersAndLength) {
  const std::wstring forbiddenInKeys = L" \"<>/\\:?*|,='&$.!~#^+()[]";
  ASSERT_EQ(forbiddenInKeys.size(), 25u);
  for (wchar_t c : forbiddenInKeys) {
    EXPECT_FALSE(comboLayerKeys::validKey(std::wstring(L"A") + c + L"B", false)) << int(c);
  }
  const std::wstring forbiddenInNames = L"\"`<>/\\:;?*|,=";
  for (wchar_t c : forbiddenInNames) {
    EXPECT_FALSE(comboLayerKeys::validKey(std::wstring(L"A") + c, true)) << int(c);
  }
  struct Row {
    std::wstring text;
    bool key, name;
  } rows[] = {
      {L"KOTY;2`", true, false},           {std::wstring(32, L'K'), true, true},
      {std::wstring(33, L'K'), false, true}, {L"Zdi nosné (+)", false, true},
      {L"Kóty Čárky", false, true},        {L"\xD800", false, false},
      {L"\xDC00Z", false, false},          {L"日本", false, false},
      {L"€‰", true, true},                  {std::wstring(100000, L'N'), false, true},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(comboLayerKeys::validKey(r.text, false), r.key) << ui::wideToUtf8(r.text.substr(0, 40));
    EXPECT_EQ(comboLayerKeys::validKey(r.text, true), r.name) << ui::wideToUtf8(r.text.substr(0, 40));
  }
}

TEST(LayerExtensionFile, FoundBesideTheModuleAndAnsweredInItsWords) {
  struct Row {
    const wchar_t* modulePath;
    const wchar_t* expected;
  } rows[] = {
      {L"C:\\CAD\\Moduly\\VdShared.dll", L"C:\\CAD\\Moduly\\PELTAR.CRX"},
      {L"/home/cad/VdShared.dll", L"/home/cad\\PELTAR.CRX"},
      {L"C:\\a/b\\c/VdShared.dll", L"C:\\a/b\\c\\PELTAR.CRX"},
      {L"VdShared.dll", L"PELTAR.CRX"},
  };
  for (const Row& r : rows) EXPECT_EQ(vd::pathBeside(r.modulePath, L"PELTAR.CRX"), r.expected);

  vd::LayerExtension present(besideProgram(L"PELTAR.CRX"));
  ASSERT_TRUE(present.loaded()) << present.failure();
  EXPECT_EQ(present.text(1), kCurrent);
  EXPECT_EQ(present.text(2), kChooser);
  EXPECT_EQ(present.text(6), L"Zadejte klíč hladiny.");
  EXPECT_NE(present.text(5).value_or(L"").find(L"32 znaků"), std::wstring::npos);
  EXPECT_NE(present.text(8).value_or(L"").find(L"Název hladiny"), std::wstring::npos);
  EXPECT_EQ(present.number(3), 1);
  EXPECT_FALSE(present.text(4)) << "no request 4";
  EXPECT_FALSE(present.chooseLayers(nullptr)) << "no chooser without a combo box";

  EXPECT_EQ(vd::LayerExtension(besideProgram(L"BROKEN.CRX")).failure(), "no entry point");
  EXPECT_EQ(vd::LayerExtension(besideProgram(L"NOTHERE.CRX")).failure(), "missing");
}

TEST(LayerExtensionFile, ChosenKeysSplitAtTheSeparator) {
  struct Row {
    std::string answer;
    std::vector<std::wstring> keys;
  } rows[] = {
      {"KOTY", {L"KOTY"}},
      {"KOTY?ZED", {L"KOTY", L"ZED"}},
      {"?KOTY??ZED?", {L"KOTY", L"ZED"}},
      {"", {}},
      {"\x8a" "ED", {L"ŠED"}},
  };
  for (const Row& r : rows) EXPECT_EQ(vd::splitChosenKeys(r.answer), r.keys) << r.answer;
}

TEST_F(LayerKeys, StarSelectsTheCurrentLayerEntry) {
  LayerKeysDialog dlg(kSpecials | comboLayerKeys::kReport);
  std::wstring layer;
  play(dlg, IDOK, [&](uitest::DialogScript& s) {
    s.then([&] { EXPECT_EQ(entries(dlg.keys), (std::vector<std::wstring>{kCurrent, kChooser})); });
    typeEach(s, dlg.keys, {L"ZED", L"*"});
    s.then([&] {
          EXPECT_EQ(selected(dlg.keys), kCurrent);
          EXPECT_EQ(dlg.keys.editText(), kCurrent);
          EXPECT_EQ(dlg.keys.entryCount(), 3) << "no entry \"*\"";
          EXPECT_TRUE(dlg.keys.layerToUse(layer));
          dlg.EndDialog(IDOK);
        });
  });
  EXPECT_EQ(layer, L"Zdi") << "the current layer is the host's CLAYER";
}

TEST_F(LayerKeys, KeysAreCheckedByModeAndRefusalsReported) {
  const std::wstring long33(33, L'K');
  struct Case {
    uint32_t options;
    std::wstring typed;
    bool accepted;
    std::wstring message;  // the text of the box OK shows; empty: no box
  } cases[] = {
      {kSpecials | comboLayerKeys::kReport, long33, false, L"Klíč hladiny může mít nejvýše 32 znaků"},
      {kSpecials | comboLayerKeys::kReport | comboLayerKeys::kLayerNames, long33, true, L""},
      {kSpecials | comboLayerKeys::kReport, L"ZED 2", false, L"Klíč hladiny může mít nejvýše 32 znaků"},
      {kSpecials | comboLayerKeys::kReport | comboLayerKeys::kLayerNames, L"Zdi;2", false, L"Název hladiny nesmí"},
      {kSpecials | comboLayerKeys::kReport, L"", false, L"Zadejte klíč hladiny."},
      {kSpecials, L"ZED 2", false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ui::wideToUtf8(c.typed) + " with options " + std::to_string(c.options));
    LayerKeysDialog dlg(c.options);
    std::optional<vdhost::MessageBoxView> box;
    play(dlg, c.accepted ? IDOK : IDCANCEL, [&](uitest::DialogScript& s) {
      s.then([&] { typeAndEnter(dlg.keys, c.typed); })
          .then([&] {
            EXPECT_EQ(dlg.keys.entryCount(), c.accepted ? 3 : 2);
            if (c.accepted) {
              EXPECT_EQ(selected(dlg.keys), c.typed);
            }
            // OK checks the text again, with reporting on.
            PostMessageW(dlg.hwnd(), WM_COMMAND, IDOK, 0);
          });
      if (c.accepted) return;
      if (!c.message.empty()) {
        s.waitFor([&] { return messageBoxOver(dlg.hwnd()) != nullptr; }, "the message box")
            .then([&] {
              box = vdhost::readMessageBox(messageBoxOver(dlg.hwnd()));
              PostMessageW(messageBoxOver(dlg.hwnd()), WM_COMMAND, IDOK, 0);
            })
            .waitFor([&] { return !messageBoxOver(dlg.hwnd()); }, "the box to close");
      }
      s.then([&] {
        EXPECT_EQ(dlg.refusals, 1);
        EXPECT_TRUE(dlg.window().visible()) << "the dialog stays open";
        EXPECT_EQ(messageBoxOver(dlg.hwnd()), nullptr) << "no message without reporting";
        dlg.EndDialog(IDCANCEL);
      });
    });
    ASSERT_EQ(box.has_value(), !c.message.empty());
    if (box) {
      EXPECT_EQ(ui::toWide(box->caption), L"Hladiny kót") << "the dialog's title";
      EXPECT_EQ(ui::toWide(box->text).rfind(c.message, 0), 0u) << ui::wideToUtf8(ui::toWide(box->text));
      EXPECT_EQ(box->icon, static_cast<UINT>(MB_ICONINFORMATION));
    }
  }
}

// A mapped key shows its layer and stores the key; deleting its entry from
// the history leaves the key in the field, not the entry's text, which holds
// characters no key may.
TEST_F(LayerKeys, MappedKeysShowTheirLayersAndStoreTheKey) {
  struct Case {
    uint32_t options;
    std::wstring typed, shown, stored;
  } cases[] = {
      {comboLayerKeys::kNameFirst, L"koty", L"Kóty  (Koty)", L"KOTY"},
      {0, L"koty", L"Koty  (Kóty)", L"KOTY"},
      {comboLayerKeys::kAskNameFirst, L"zed", L"Zdi  (ZED)", L"ZED"},
      {comboLayerKeys::kNameFirst, L"Okna", L"Okna", L"Okna"},
      {comboLayerKeys::kNameFirst | comboLayerKeys::kLayerNames, L"Nová hladina", L"Nová hladina", L"Nová hladina"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ui::wideToUtf8(c.typed));
    LayerKeysDialog dlg(c.options);
    std::wstring stored, afterDelete;
    play(dlg, IDOK, [&](uitest::DialogScript& s) {
      s.then([&] { typeAndEnter(dlg.keys, c.typed); })
          .then([&] {
            EXPECT_EQ(entries(dlg.keys), std::vector<std::wstring>{c.shown});
            EXPECT_EQ(dlg.keys.editText(), c.shown);
            EXPECT_TRUE(dlg.keys.layerToUse(stored));
            SetFocus(dlg.keys.hwnd());
            dlg.keys.showDropDown(true);
          })
          .waitFor([&] { return dlg.keys.droppedDown(); }, "the list to drop")
          .then([&] {
            dlg.keys.setCurSel(0);
            uitest::postKey(dlg.keys.editField(), VK_DELETE);
          })
          .then([&] {
            // The entry the field showed goes from the history; the field
            // keeps what it stood for, which reads back as the same layer.
            dlg.keys.showDropDown(false);
            EXPECT_TRUE(entries(dlg.keys).empty());
            EXPECT_EQ(dlg.keys.editText(), c.stored);
            EXPECT_TRUE(dlg.keys.layerToUse(afterDelete));
            EXPECT_TRUE(dlg.keys.addToHistory(dlg.keys.editText(), true));
            EXPECT_EQ(entries(dlg.keys), std::vector<std::wstring>{c.shown});
            dlg.EndDialog(IDOK);
          });
    });
    EXPECT_EQ(stored, c.stored);
    EXPECT_EQ(afterDelete, c.stored);
  }
}

TEST_F(LayerKeys, SpecialsStayOnTopAndTheChooserEntryIsNeverSaved) {
  const std::filesystem::path ini = std::filesystem::temp_directory_path() / "layer_keys_test.ini";
  std::filesystem::remove(ini);
  const auto open = [&](vd::prf_store& store) { return store.open(ui::fromWide(ini.wstring()), u"Hladiny"); };
  const std::vector<std::wstring> listed = {kCurrent, kChooser, L"AA", L"mm", L"Zdi  (ZED)", L"ZZ"};
  LayerKeysDialog dlg(kSpecials | comboLayerKeys::kNameFirst);
  play(dlg, IDOK, [&](uitest::DialogScript& s) {
    typeEach(s, dlg.keys, {L"ZZ", L"zed", L"AA", L"mm", L"*"});
    s.then([&] {
          EXPECT_EQ(entries(dlg.keys), listed);
          vd::prf_store store;
          ASSERT_TRUE(open(store));
          EXPECT_TRUE(dlg.keys.save(store, L"VRSTVA"));
          dlg.EndDialog(IDOK);
        });
  });
  {
    // Keys in the order they came, "*" for the current layer, the chooser left out.
    vd::prf_store store;
    ASSERT_TRUE(open(store));
    std::vector<vd::vstring> history;
    ASSERT_TRUE(store.getStringList(u"VRSTVA", history));
    EXPECT_EQ(history, (std::vector<vd::vstring>{u"*", u"ZZ", u"ZED", u"AA", u"mm"}));
    vd::vstring active;
    ASSERT_TRUE(store.getString(u"VRSTVA_CB_ACT", active));
    EXPECT_EQ(active, u"*") << "the active value is the current layer";
  }

  // Loaded again, the list is the same and "*" is no entry of its own.
  LayerKeysDialog again(kSpecials | comboLayerKeys::kNameFirst);
  play(again, IDOK, [&](uitest::DialogScript& s) {
    s.then([&] {
      vd::prf_store store;
      ASSERT_TRUE(open(store));
      EXPECT_TRUE(again.keys.load(store, L"VRSTVA"));
      EXPECT_EQ(entries(again.keys), listed);
      EXPECT_EQ(selected(again.keys), kCurrent) << "the active value was the current layer";
      again.EndDialog(IDOK);
    });
  });
  std::filesystem::remove(ini);
}

// Selects the chooser entry with the Down key from the entry above it, as a
// user does in the closed list.
void openChooser(const comboLayerKeys& c) {
  c.setCurSel(0);
  SetFocus(c.editField());
  uitest::postKey(c.editField(), VK_DOWN);
}

// The chooser lists the drawing's layers, the chosen keys join the list with
// the first selected, a cancelled chooser on a list of specials alone selects
// the current layer's entry: the scenario tests/scenarios/layer_keys.vds,
// which shows this dialog from a module (vdhost_layer_probe) with the same
// extension. Here: the chooser is owned by the combo's dialog, a cancelled one
// selects the first usable entry below the specials, and a chosen layer that
// the list holds in another spelling selects that entry.
TEST_F(LayerKeys, TheChoosersAnswerIsSelected) {
  const auto cancel = [](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); };
  const auto chooseOkna = [](HWND chooser) {
    HWND list = GetDlgItem(chooser, peltar::kChooserList);
    const LRESULT at = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Okna"));
    ASSERT_GE(at, 0) << "the chooser lists Okna";
    SendMessageW(list, LB_SETSEL, TRUE, at);
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
  };
  const struct Row {
    const char* what;
    std::vector<std::wstring> typed;
    std::function<void(HWND)> answer;
    const wchar_t* selected;
  } rows[] = {
      {"cancelled", {L"ZZ", L"AA"}, cancel, L"AA"},
      {"a layer listed in another case", {L"AA", L"okna"}, chooseOkna, L"okna"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    LayerKeysDialog dlg(kSpecials);
    play(dlg, IDOK, [&](uitest::DialogScript& s) {
      typeEach(s, dlg.keys, r.typed);
      s.then([&] { openChooser(dlg.keys); })
          .waitFor([&] { return shownChooser() != nullptr; }, "the chooser")
          .then([&] {
            HWND chooser = shownChooser();
            EXPECT_EQ(GetWindow(chooser, GW_OWNER), dlg.hwnd()) << "owned by the combo's dialog";
            r.answer(chooser);
          })
          .waitFor([&] { return !shownChooser(); }, "the chooser to close")
          .then([&] {
            EXPECT_EQ(selected(dlg.keys), r.selected);
            EXPECT_EQ(dlg.keys.editText(), r.selected);
            std::wstring layer;
            EXPECT_TRUE(dlg.keys.layerToUse(layer));
            EXPECT_EQ(layer, r.selected) << "what the dialog would use";
            dlg.EndDialog(IDOK);
          });
    });
  }
}

TEST_F(LayerKeys, WithoutAWorkingExtensionThereAreNoSpecials) {
  for (const wchar_t* file : {L"NOTHERE.CRX", L"BROKEN.CRX"}) {
    SCOPED_TRACE(ui::wideToUtf8(file));
    LayerKeysDialog dlg(kSpecials | comboLayerKeys::kReport | comboLayerKeys::kAskNameFirst, besideProgram(file));
    EXPECT_EQ(dlg.keys.keyOptions(), 0u) << "the options that need the extension are cleared";
    play(dlg, IDCANCEL, [&](uitest::DialogScript& s) {
      s.then([&] { EXPECT_EQ(dlg.keys.entryCount(), 0); });
      typeEach(s, dlg.keys, {L"*", L"koty", L"ZED 2"});
      s.then([&] {
            EXPECT_EQ(entries(dlg.keys), std::vector<std::wstring>{L"Koty  (Kóty)"}) << "still mapped, key first";
            // OK with the refused key: no message, no crash, the dialog stays.
            SetWindowTextW(dlg.keys.editField(), L"ZED 2");
            PostMessageW(dlg.hwnd(), WM_COMMAND, IDOK, 0);
          })
          .then([&] {
            EXPECT_EQ(dlg.refusals, 1);
            EXPECT_EQ(messageBoxOver(dlg.hwnd()), nullptr);
            dlg.EndDialog(IDCANCEL);
          });
    });
  }
}

TEST_F(LayerKeys, BadInputIsRefusedAndLosesNothing) {
  struct Case {
    uint32_t options;
    std::wstring text;
  } cases[] = {
      {0, std::wstring(100000, L'K')},
      {comboLayerKeys::kLayerNames, std::wstring(100000, L'N')},
      // Lengths whose place would read as the current layer's and the chooser's entries.
      {comboLayerKeys::kLayerNames, std::wstring(254, L'N')},
      {comboLayerKeys::kLayerNames, std::wstring(255, L'N')},
      {0, L"KO\xD800TY"},
      {comboLayerKeys::kLayerNames, L"\xDC00"},
      {0, L"日本"},
      {comboLayerKeys::kLayerNames, L"Hladina ✓"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    LayerKeysDialog dlg(kSpecials | c.options);
    play(dlg, IDOK, [&](uitest::DialogScript& s) {
      s.then([&] { typeAndEnter(dlg.keys, L"ZED"); })
          .then([&] { typeAndEnter(dlg.keys, c.text, true); })
          .then([&] {
            EXPECT_EQ(entries(dlg.keys), (std::vector<std::wstring>{kCurrent, kChooser, L"ZED  (Zdi)"}));
            EXPECT_EQ(dlg.keys.savedEntries().size(), 2u) << "* and ZED";
            EXPECT_NE(selected(dlg.keys), kCurrent) << "the refused text is not taken for the current layer";
            EXPECT_NE(selected(dlg.keys), kChooser);
            dlg.EndDialog(IDOK);
          });
    });
  }
}

// The picture of the documentation: the dropped list with its specials.
TEST_F(LayerKeys, PictureOfTheDroppedList) {
  LayerKeysDialog dlg(kSpecials | comboLayerKeys::kNameFirst);
  play(dlg, IDOK, [&](uitest::DialogScript& s) {
    typeEach(s, dlg.keys, {L"ZED", L"koty", L"Okna", L"*"});
    s.then([&] {
          SetFocus(dlg.keys.editField());
          uitest::postKey(dlg.keys.editField(), VK_F4);
        })
        .waitFor([&] { return dlg.keys.droppedDown(); }, "the list to drop")
        .then([&] {
          std::string error;
          EXPECT_TRUE(uitest::writeDroppedCombo(dlg.hwnd(), dlg.keys.hwnd(), uitest::picturePath("layer-key-combo.png"),
                                                error))
              << error;
          dlg.keys.showDropDown(false);
          dlg.EndDialog(IDOK);
        });
  });
}

}  // namespace
