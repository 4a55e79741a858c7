// dialog_scripts SCRIPTS PICTURES [--accept] [NAME...]
//
// Runs every NAME.vds of the folder SCRIPTS as a host script, in this one
// process, with the dialog driver vdhost uses: its commands open the module's
// dialog templates from VdShared.dll on the framework's base dialog
// (tests/dialogs/sample_dialogs.h) and its dialog lines answer them. The
// transcript of each must equal NAME.expected; a script whose first line is
// "# error: TEXT" must fail with TEXT in its error instead. `picture` lines
// write into the folder PICTURES (the scripts of the six templates write
// dialog-ID.png, the pictures of docs/pictures). --accept writes each
// transcript to its .expected file instead of comparing.
//
// Commands of the scripts: "Template ID" runs the sample dialog of template
// ID and returns what ended it; "TrueColour COLOUR" asks the host's
// true-colour dialog (SetColorDialogTrueColor) showing COLOUR; "Edit" runs the edit dialog 1001 and, when it
// ends with 1006, the settings dialog 1000 after it; "Box FLAGS TEXT" shows a
// message box owned by the host's window and returns the button pressed;
// "LossyCOMMAND ARGS" (LossyBox, LossyTemplate) runs COMMAND but loses the
// first release of the mouse button on a button (-1 when none was lost).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/host_api.h"
#include "host/text.h"
#include "hostsim/host.h"
#include "dialog_ids.h"
#include "hostsim/script.h"
#include "sample_dialogs.h"
#include "tools/vdhost/host_windows.h"
#include "tools/vdhost/module_texts.h"
#include "ui/handles.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

namespace {

namespace fs = std::filesystem;
using hostsim::Host;

HMODULE g_module = nullptr;

bool moduleString(int id, vd::vstring& out) { return vdhost::loadModuleText(g_module, id, out); }

thread_local bool t_releaseLost = false;

// Turns the first WM_LBUTTONUP taken from the queue for a button into nothing.
LRESULT CALLBACK loseFirstRelease(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && !t_releaseLost && msg->message == WM_LBUTTONUP) {
    wchar_t cls[16];
    if (GetClassNameW(msg->hwnd, cls, 16) > 0 && lstrcmpiW(cls, L"Button") == 0) {
      msg->message = WM_NULL;
      t_releaseLost = true;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The module side of the scripts: the sample dialogs, with the module's
// resources, and the host bound in this process as the module binds it.
class SampleModule : public hostsim::ModuleFace {
 public:
  explicit SampleModule(ui::ModuleState& state) : state_(state) {}

  bool initApp(int& result) override {
    result = vd::bindHost(nullptr, &hostsim::resolveExport, nullptr) ? 1 : 0;
    return true;
  }

  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override {
    if (name == "Template" && args.size() == 1) {
      result = run(std::atoi(args[0].c_str()));
      return true;
    }
    if (name == "Edit" && args.empty()) {
      // As the edit command does: "Nastavení..." leads on to the settings.
      result = run(IDD_HEIGHTDIM_EDIT);
      if (result == IDC_HDEDIT_SETTINGS) result = run(IDD_HEIGHTDIM_SETTINGS);
      return true;
    }
    if (name == "TrueColour" && args.size() == 1) {
      // The host's true-colour dialog, as a colour combo asks for it.
      vd::HostTrueColourRecord record{32, -1, Host::instance().mainWindow,
                                      static_cast<uint32_t>(std::strtoul(args[0].c_str(), nullptr, 0)),
                                      vd::kOfferByLayer | vd::kOfferByBlock, 0};
      result = vd::hostCallOr<&vd::HostApi::SetColorDialogTrueColor>(0, static_cast<void*>(&record));
      return true;
    }
    if (name == "Box" && args.size() == 2) {
      result = MessageBoxW(static_cast<HWND>(Host::instance().mainWindow), ui::utf8ToWide(args[1]).c_str(), L"VELDRA",
                           static_cast<UINT>(std::strtoul(args[0].c_str(), nullptr, 10)));
      return true;
    }
    constexpr std::string_view kLossy = "Lossy";
    if (name.rfind(kLossy, 0) == 0) {
      // The first release of the mouse button a button gets is lost, as when
      // the display's pointer moves out between press and release; the press
      // must be given again.
      HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &loseFirstRelease, nullptr, GetCurrentThreadId());
      t_releaseLost = false;
      const bool known = runCommand(name.substr(kLossy.size()), args, result);
      if (hook) UnhookWindowsHookEx(hook);
      if (known && !t_releaseLost) result = -1;  // the release never came to be lost
      return known;
    }
    return false;
  }

  bool omitExport(const std::string&, std::string& error) override {
    error = "the sample module binds the host in its own process";
    return false;
  }

 private:
  int run(int templateId) {
    ui::ModuleStateScope module(&state_);
    dialogtest::SampleDialog dialog(templateId);
    return static_cast<int>(dialog.DoModal());
  }

  ui::ModuleState& state_;
};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Why a run is not what its script expects; empty when it is.
std::string judge(const fs::path& script, bool ran, bool accept) {
  Host& host = Host::instance();
  const std::vector<std::string> head = linesOf(readFile(script));
  const std::string errorMark = "# error: ";
  if (!head.empty() && head[0].rfind(errorMark, 0) == 0) {
    const std::string expected = head[0].substr(errorMark.size());
    if (ran) return "the script ran, but should fail with: " + expected;
    if (host.error().find(expected) == std::string::npos)
      return "the error is\n  " + host.error() + "\nnot\n  " + expected;
    return {};
  }
  fs::path expectedPath = script;
  expectedPath.replace_extension(".expected");
  if (accept) {
    std::ofstream out(expectedPath, std::ios::binary);
    for (const std::string& line : host.transcript()) out << line << "\n";
    return ran ? std::string() : "failed: " + host.error();
  }
  const std::vector<std::string> expected = linesOf(readFile(expectedPath));
  const std::vector<std::string>& actual = host.transcript();
  for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    const std::string e = i < expected.size() ? expected[i] : "<end of transcript>";
    const std::string a = i < actual.size() ? actual[i] : "<end of transcript>";
    if (a != e) return "line " + std::to_string(i + 1) + " differs\n  expected: " + e + "\n  actual:   " + a;
  }
  return ran ? std::string() : "failed: " + host.error();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dialog_scripts SCRIPTS PICTURES [--accept] [NAME...]\n");
    return 2;
  }
  const fs::path scripts = fs::absolute(argv[1]);
  const fs::path pictures = fs::absolute(argv[2]);
  bool accept = false;
  std::set<std::string> only;
  for (int i = 3; i < argc; ++i) {
    if (std::string(argv[i]) == "--accept") {
      accept = true;
    } else {
      only.insert(argv[i]);
    }
  }
  ui::unique_hmodule module(LoadLibraryW(L"VdShared.dll"));
  if (!module) {
    std::fprintf(stderr, "VdShared.dll did not load (error %lu)\n", GetLastError());
    return 1;
  }
  g_module = module.get();
  ui::ModuleState moduleState{module.get()};

  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"DialogScriptsHost";
  RegisterClassW(&wc);
  ui::unique_hwnd mainWindow(CreateWindowExW(0, wc.lpszClassName, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 1280, 1024,
                                             nullptr, nullptr, wc.hInstance, nullptr));
  Host& host = Host::instance();
  vdhost::HostWindows windows(host);
  std::error_code ec;
  fs::create_directories(pictures, ec);
  if (!mainWindow || !windows.ready() || ec || !SetCurrentDirectoryW(pictures.wstring().c_str())) {
    std::fprintf(stderr, "the host window, the dialog driver or the folder %s could not be made\n",
                 pictures.string().c_str());
    return 1;
  }

  std::vector<fs::path> found;
  for (const fs::directory_entry& e : fs::directory_iterator(scripts)) {
    if (e.path().extension() == ".vds" && (only.empty() || only.count(e.path().stem().string())))
      found.push_back(e.path());
  }
  std::sort(found.begin(), found.end());
  int failed = 0;
  for (const fs::path& script : found) {
    host.reset();
    host.mainWindow = mainWindow.get();
    host.appIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    host.stringSource = &moduleString;
    vd::unbindHost();
    SampleModule face(moduleState);
    hostsim::ScriptRunner runner(host, face);
    const auto start = std::chrono::steady_clock::now();
    const bool ran = runner.runFile(script.string());
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    const std::string why = judge(script, ran, accept);
    std::printf("%s %s (%lld ms)%s%s\n", why.empty() ? "ok    " : "FAILED", script.stem().string().c_str(), ms,
                why.empty() ? "" : "\n  ", why.c_str());
    failed += why.empty() ? 0 : 1;
  }
  vd::unbindHost();
  if (found.empty()) {
    std::fprintf(stderr, "no scripts in %s\n", scripts.string().c_str());
    return 1;
  }
  std::printf("%zu scripts, %d failed\n", found.size(), failed);
  return failed == 0 ? 0 : 1;
}
