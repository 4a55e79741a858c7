// Which module a dialog takes its template and icons from, and what it gets
// from the host: its owner window and its application icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "dialog_script.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "test_ids.h"
#include "ui/dialog.h"
#include "ui/handles.h"
#include "ui/module_state.h"

namespace {

constexpr UINT kWhichResources = WM_APP + 5;

// Closes itself from OnInitDialog after noting what it found there.
class ProbeDialog : public ui::Dialog {
 public:
  explicit ProbeDialog(int templateId, bool moduleIcons = false, bool hostIcons = false)
      : ui::Dialog(templateId), moduleIcons_(moduleIcons), hostIcons_(hostIcons) {}

  bool ProcessMessage(ui::Message& m) override {
    static constexpr ui::Handler map[] = {
        ui::onMessage<kWhichResources, &ProbeDialog::onWhichResources>,
    };
    return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
  }

  // Another module's code current while a message reaches the dialog, as
  // when a host dialog opened from this one runs and this one gets a timer.
  ui::ModuleState* otherState = nullptr;
  HINSTANCE resourcesInNestedMessage = nullptr;

  std::wstring title;
  HINSTANCE resources = nullptr;
  HWND owner = nullptr;
  bool iconsSet = false;
  COLORREF bigIconColour = CLR_INVALID, smallIconColour = CLR_INVALID;
  HICON bigIcon = nullptr;

 protected:
  bool OnInitDialog() override {
    title = window().text();
    resources = ui::currentResources();
    if (otherState) {
      ui::ModuleStateScope other(otherState);
      resourcesInNestedMessage = reinterpret_cast<HINSTANCE>(window().send(kWhichResources));
    }
    owner = GetWindow(hwnd(), GW_OWNER);
    if (moduleIcons_) iconsSet = SetModuleIcons(IDI_MODULE);
    if (hostIcons_) iconsSet = SetHostIcons();
    bigIcon = reinterpret_cast<HICON>(window().send(WM_GETICON, ICON_BIG));
    bigIconColour = centreColour(bigIcon);
    smallIconColour = centreColour(reinterpret_cast<HICON>(window().send(WM_GETICON, ICON_SMALL)));
    EndDialog(IDOK);
    return true;
  }

 private:
  // The colour in the middle of an icon's picture.
  static COLORREF centreColour(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return CLR_INVALID;
    ui::unique_hbitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    GetObjectW(colour.get(), sizeof bm, &bm);
    ui::unique_hdc dc(CreateCompatibleDC(nullptr));
    ui::select_result selected(dc.get(), colour.get());
    return GetPixel(dc.get(), bm.bmWidth / 2, bm.bmHeight / 2);
  }

  LRESULT onWhichResources(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(ui::currentResources()); }

  bool moduleIcons_, hostIcons_;
};

class ModuleContext : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryW(L"ui_test_module.dll"));
    ASSERT_TRUE(module_) << "ui_test_module.dll is built beside the test";
    moduleState_.resources = module_.get();
    // The program plays the host: its own resources are another module's.
    hostState_.resources = GetModuleHandleW(nullptr);
  }

  ui::unique_hmodule module_;
  ui::ModuleState moduleState_, hostState_;
};

TEST_F(ModuleContext, ADialogRunsWithTheModuleThatMadeIt) {
  struct Case {
    const char* name;
    bool madeInModule;
    const wchar_t* title;
    bool iconsFound;
  };
  const Case cases[] = {
      {"made inside the module", true, L"Modul", true},
      {"made by the program", false, L"Program", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<ProbeDialog> dlg;
    {
      ui::ModuleStateScope scope(c.madeInModule ? &moduleState_ : &hostState_);
      dlg = std::make_unique<ProbeDialog>(IDD_WHICH_MODULE, true);
    }
    ui::ModuleState elsewhere{reinterpret_cast<HINSTANCE>(GetModuleHandleW(L"kernel32.dll"))};
    dlg->otherState = &elsewhere;
    // Run while the host's state is current, as when a host callback opens it.
    ui::ModuleStateScope host(&hostState_);
    EXPECT_EQ(dlg->DoModal(), IDOK);
    EXPECT_EQ(dlg->title, c.title);
    EXPECT_EQ(dlg->resources, c.madeInModule ? module_.get() : hostState_.resources);
    EXPECT_EQ(dlg->resourcesInNestedMessage, dlg->resources) << "every message is answered in the dialog's module";
    EXPECT_EQ(dlg->iconsSet, c.iconsFound) << "icon 100 is the module's alone";
    if (c.iconsFound) {
      // The test module's icon is green at 32 pixels and blue at 16.
      EXPECT_EQ(dlg->bigIconColour, RGB(0, 160, 0));
      EXPECT_EQ(dlg->smallIconColour, RGB(0, 0, 200));
    }
    EXPECT_EQ(ui::currentResources(), hostState_.resources) << "DoModal puts the caller's state back";
  }
}

TEST_F(ModuleContext, AMissingTemplateFailsAtOnce) {
  ui::ModuleStateScope scope(&moduleState_);
  ProbeDialog dlg(IDD_MISSING);
  EXPECT_EQ(dlg.DoModal(), ui::kDialogFailed);
  EXPECT_TRUE(dlg.title.empty());
}

TEST(HostServices, DialogsBelongToTheHostWindowAndShowItsIcon) {
  ui::unique_hwnd main = uitest::makePlainWindow(L"UiTestHostWindow", WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(main);
  const std::vector<BYTE> andMask(128, 0x00), xorMask(128, 0xFF);
  ui::unique_hicon appIcon(CreateIcon(GetModuleHandleW(nullptr), 32, 32, 1, 1, andMask.data(), xorMask.data()));
  ASSERT_TRUE(appIcon);
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  host.mainWindow = main.get();
  host.appIcon = appIcon.get();
  vd::unbindHost();
  ASSERT_TRUE(vd::bindHost(nullptr, &hostsim::resolveExport, nullptr));

  ProbeDialog dlg(IDD_WHICH_MODULE, false, true);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.owner, main.get()) << "no parent given: the host's main window owns the dialog";
  EXPECT_TRUE(dlg.iconsSet);
  EXPECT_EQ(dlg.bigIcon, appIcon.get());

  // Without a host there is no icon and no owner, and the dialog still runs.
  vd::unbindHost();
  host.reset();
  ProbeDialog bare(IDD_WHICH_MODULE, false, true);
  EXPECT_EQ(bare.DoModal(), IDOK);
  EXPECT_FALSE(bare.iconsSet);
  EXPECT_EQ(bare.owner, nullptr);
}

}  // namespace
