// How long the settings dialog takes to show a changed value in its preview
// under Wine: the real dialog of template 1000 (VdShared.dll beside the
// program for its resources and texts, the headless host bound in process),
// a value typed into a combo reported to the dialog as the combo reports it
// (CBN_EDITCHANGE), which takes the record back from the controls, builds the
// mark into the pane's view, zooms to its extents, and the pane painted until
// nothing of it is left to paint. One frame (16 ms) is the limit.
//   section value   the text height of the section type ČSN
//   plan value      the text height of the plan view
//   animation step  the timer's step: both panes rebuilt without zooming
// Prints the median, the 95th percentile and the largest time of each, with
// the paints each run took (a run that painted nothing measured nothing), and
// exits with 1 when a median is over the limit or a run left a pane unpainted.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "heightdim/settings_dialog.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "res/dialog_ids.h"
#include "tools/vdhost/module_texts.h"
#include "ui/module_state.h"

#include "bench/bench_result.h"

namespace {

constexpr int kRuns = 300;
constexpr double kFrameMs = 16.0;
constexpr UINT_PTR kMeasureTimer = 77;

HMODULE g_module = nullptr;

bool moduleText(int id, vd::vstring& out) { return vdhost::loadModuleText(g_module, id, out); }

struct Figures {
  const char* what;
  std::vector<double> ms;
  std::vector<double> changeMs;  // of that, until the change was handled, before painting
  int paints = 0;  // WM_PAINTs of the panes over all runs
};

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

// Paints a window until nothing of it is left to paint; the paints it took.
int paintOut(HWND window) {
  int paints = 0;
  for (; paints < 100 && GetUpdateRect(window, nullptr, FALSE); ++paints) UpdateWindow(window);
  return paints;
}

class BenchDialog : public vd::CHeightDimSettingsDlg {
 public:
  using CHeightDimSettingsDlg::CHeightDimSettingsDlg;
  std::vector<Figures> figures;

  bool ProcessMessage(ui::Message& m) override {
    // A window that does not show yet has nothing to paint: the dialog shows
    // once its loop is idle, which a timer waits for.
    if (m.message == WM_TIMER && m.wParam == kMeasureTimer && window().visible()) {
      window().killTimer(kMeasureTimer);
      measure();
      EndDialog(IDOK);
      return true;
    }
    return CHeightDimSettingsDlg::ProcessMessage(m);
  }

 protected:
  bool OnInitDialog() override {
    const bool result = CHeightDimSettingsDlg::OnInitDialog();
    // The animation would run between the measurements: the bench steps it itself.
    window().killTimer(kAnimationTimer);
    window().setTimer(kMeasureTimer, 10);
    return result;
  }

 private:
  // A value typed into combo `id` as its edit field reports it.
  void typed(int id, const wchar_t* text) {
    const HWND combo = item(id).hwnd();
    SetWindowTextW(combo, text);
    SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(combo));
  }

  void time(const char* what, const std::function<void(int)>& change, std::initializer_list<HWND> panes) {
    Figures f{what, {}};
    for (int i = 0; i < kRuns; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      change(i);
      f.changeMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      for (HWND pane : panes) f.paints += paintOut(pane);
      f.ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    figures.push_back(std::move(f));
  }

  void measure() {
    const HWND section = sectionPreview().hwnd(), plan = planPreview().hwnd();
    paintOut(section);
    paintOut(plan);
    time("section value", [&](int i) { typed(IDC_HDSET_TEXT_HEIGHT, i % 2 ? L"3.5" : L"2.5"); }, {section});
    time("plan value", [&](int i) { typed(IDC_HDSET_PLAN_TEXT_HEIGHT, i % 2 ? L"3.5" : L"2.5"); }, {plan});
    time("animation step",
         [&](int) {
           animationStep();
           refreshPreview(3, false);
           refreshPreview(currentType(), false);
         },
         {section, plan});
  }
};

}  // namespace

int main() {
  g_module = LoadLibraryW(L"VdShared.dll");
  if (!g_module) {
    std::fprintf(stderr, "settings_dialog_bench: VdShared.dll must be beside the program\n");
    return 2;
  }
  ui::ModuleState state;
  state.resources = g_module;
  ui::ModuleStateScope scope(&state);
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  host.stringSource = &moduleText;
  if (!vd::bindHost(nullptr, &hostsim::resolveExport, nullptr)) {
    std::fprintf(stderr, "settings_dialog_bench: the host could not be bound\n");
    return 2;
  }

  vd::HNoteDataSet set;
  BenchDialog dialog(&set, nullptr);
  if (dialog.DoModal() != IDOK || dialog.figures.empty()) {
    std::fprintf(stderr, "settings_dialog_bench: the dialog did not run\n");
    return 2;
  }
  bool fast = true;
  std::printf("preview refresh after a change, %d runs each (ms): median / 95%% / max, median before painting\n",
              kRuns);
  for (const Figures& f : dialog.figures) {
    const double median = percentile(f.ms, 0.5);
    std::printf("  %-16s %7.3f / %7.3f / %7.3f, %7.3f   (%.2f paints a run)%s\n", f.what, median,
                percentile(f.ms, 0.95), percentile(f.ms, 1.0), percentile(f.changeMs, 0.5),
                static_cast<double>(f.paints) / kRuns, median < kFrameMs ? "" : "  over one frame");
    fast = fast && median < kFrameMs && f.paints >= kRuns;
  }
  for (const Figures& f : dialog.figures) {
    const std::string name = std::string("settings dialog, preview after a change: ") + f.what + " (median)";
    vdbench::result(name.c_str(), percentile(f.ms, 0.5), "ms", kFrameMs);
  }
  vd::unbindHost();
  FreeLibrary(g_module);
  return fast ? 0 : 1;
}
