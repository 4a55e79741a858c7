// vdhost: a headless CAD host that loads the module, binds it, feeds it a
// script of user input and prints what the module asked and did.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "host/text.h"
#include "hostsim/host.h"
#include "hostsim/script.h"
#include "tools/vdhost/export_filter.h"
#include "tools/vdhost/host_windows.h"
#include "tools/vdhost/module_texts.h"
#include "tools/vdhost/picture.h"
#include "ui/handles.h"
#include "ui/proc.h"

namespace {

using hostsim::Host;

HMODULE g_module = nullptr;

// The host serves the module's texts from the loaded module's string table.
bool moduleString(int id, vd::vstring& out) { return vdhost::loadModuleText(g_module, id, out); }

class DllModule : public hostsim::ModuleFace {
 public:
  explicit DllModule(HMODULE module) : module_(module) {}

  bool initApp(int& result) override {
    using InitAppFn = int (*)(HMODULE);
    auto init = ui::procAddress<InitAppFn>(module_, "InitApp");
    if (!init) return false;
    result = init(GetModuleHandleW(nullptr));
    return true;
  }

  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override {
    using CommandFn = int (*)(int, const char**);
    auto fn = ui::procAddress<CommandFn>(module_, ("Command_" + name).c_str());
    if (!fn) return false;
    // The host passes 8-bit argument texts in code page 1250.
    std::vector<std::string> narrow;
    for (const std::string& a : args) narrow.push_back(vd::utf16ToCp1250(vd::utf8ToUtf16(a)));
    std::vector<const char*> argv;
    for (const std::string& a : narrow) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    result = fn(static_cast<int>(narrow.size()), argv.data());
    return true;
  }

  bool omitExport(const std::string& name, std::string& error) override {
    return vdhost::removeOwnExport(name, error);
  }

 private:
  HMODULE module_;
};

HWND createMainWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VdHostMainWindow";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"vdhost", WS_OVERLAPPEDWINDOW, 0, 0, 1280, 1024, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

std::filesystem::path makeTempUserData() {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int i = 0; i < 1000; ++i) {
    std::filesystem::path p = base / ("vdhost-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i));
    std::error_code ec;
    if (std::filesystem::create_directory(p, ec)) return p;
  }
  return {};
}

bool readLines(const std::string& path, std::vector<std::string>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return true;
}

int compareTranscript(const std::vector<std::string>& actual, const std::string& expectPath) {
  std::vector<std::string> expected;
  if (!readLines(expectPath, expected)) {
    std::fprintf(stderr, "vdhost: cannot read %s\n", expectPath.c_str());
    return 1;
  }
  size_t n = actual.size() > expected.size() ? actual.size() : expected.size();
  for (size_t i = 0; i < n; ++i) {
    const std::string a = i < actual.size() ? actual[i] : "<end of transcript>";
    const std::string e = i < expected.size() ? expected[i] : "<end of transcript>";
    if (a != e) {
      std::fprintf(stderr, "vdhost: transcript differs from %s at line %zu\n  expected: %s\n  actual:   %s\n",
                   expectPath.c_str(), i + 1, e.c_str(), a.c_str());
      return 1;
    }
  }
  return 0;
}

void usage() {
  std::fprintf(stderr,
               "usage: vdhost [--module DLL] [--userdata DIR] [--load DXF] [--save DXF] [--picture PNG] [--transcript FILE] [--expect FILE]\n"
               "              [--quiet] [SCRIPT]\n"
               "  --load DXF  start from the drawing in a DXF file\n"
               "  --save DXF  write the drawing as DXF R2000 after the script\n"
               "  --picture PNG [--picture-size WxH]  paint the drawing after the script (default 1024x768)\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string modulePath, script, transcriptPath, expectPath, userData, loadPath, savePath, picturePath;
  int pictureWidth = 1024, pictureHeight = 768;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    bool ok = true;
    if (a == "--module") {
      ok = value(modulePath);
    } else if (a == "--transcript") {
      ok = value(transcriptPath);
    } else if (a == "--expect") {
      ok = value(expectPath);
    } else if (a == "--userdata") {
      ok = value(userData);
    } else if (a == "--load") {
      ok = value(loadPath);
    } else if (a == "--picture") {
      ok = value(picturePath);
    } else if (a == "--picture-size") {
      std::string size;
      ok = value(size) && std::sscanf(size.c_str(), "%dx%d", &pictureWidth, &pictureHeight) == 2 &&
           pictureWidth > 0 && pictureHeight > 0 && pictureWidth <= 8192 && pictureHeight <= 8192;
    } else if (a == "--save") {
      ok = value(savePath);
    } else if (a == "--quiet") {
      quiet = true;
    } else if (!a.empty() && a[0] != '-' && script.empty()) {
      script = a;
    } else {
      ok = false;
    }
    if (!ok) {
      usage();
      return 2;
    }
  }
  if (script.empty() && loadPath.empty() && savePath.empty() && picturePath.empty()) {
    usage();
    return 2;
  }

  Host& host = Host::instance();
  host.reset();
  ui::unique_hwnd mainWindow(createMainWindow());
  host.mainWindow = mainWindow.get();
  host.appIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  host.stringSource = &moduleString;
  // The script's dialog lines answer the module's dialogs and message boxes.
  vdhost::HostWindows windows(host);
  if (!windows.ready()) {
    std::fprintf(stderr, "vdhost: the dialog driver cannot watch this thread's windows\n");
    return 1;
  }

  std::filesystem::path tempUserData;
  if (userData.empty()) {
    tempUserData = makeTempUserData();
    host.userDataPath = vd::utf8ToUtf16(tempUserData.string());
  } else {
    host.userDataPath = vd::utf8ToUtf16(userData);
  }

  if (modulePath.empty()) modulePath = "VdShared.dll";
  std::wstring wideModule(reinterpret_cast<const wchar_t*>(vd::utf8ToUtf16(modulePath).c_str()));
  ui::unique_hmodule module(LoadLibraryW(wideModule.c_str()));
  int rc = 0;
  if (!module) {
    host.fail("cannot load the module " + modulePath + " (error " + std::to_string(GetLastError()) + ")");
    rc = 1;
  } else {
    g_module = module.get();
    host.log("module " + std::filesystem::path(modulePath).filename().string() + " loaded");
    DllModule face(module.get());
    hostsim::ScriptRunner runner(host, face);
    std::string error;
    if (!loadPath.empty() && !host.loadDrawing(loadPath, error)) {
      host.fail(error);
      rc = 1;
    } else if (!loadPath.empty()) {
      host.log("host: drawing loaded from " + loadPath);
    }
    if (rc == 0 && !script.empty()) rc = runner.runFile(script) ? 0 : 1;
    if (rc == 0 && !savePath.empty()) {
      if (host.saveDrawing(savePath, error)) {
        host.log("host: drawing saved to " + savePath);
      } else {
        host.fail(error);
        rc = 1;
      }
    }
    if (rc == 0 && !picturePath.empty()) {
      if (vdhost::saveDrawingPicture(host.drawing(), picturePath, pictureWidth, pictureHeight, error)) {
        host.log("host: picture saved to " + picturePath);
      } else {
        host.fail(error);
        rc = 1;
      }
    }
  }

  std::string text;
  for (const std::string& line : host.transcript()) text += line + "\n";
  if (!quiet) std::fwrite(text.data(), 1, text.size(), stdout);
  if (!transcriptPath.empty()) {
    std::ofstream out(transcriptPath, std::ios::binary);
    out << text;
  }
  if (host.failed()) std::fprintf(stderr, "vdhost: %s\n", host.error().c_str());
  if (rc == 0 && !expectPath.empty()) rc = compareTranscript(host.transcript(), expectPath);

  g_module = nullptr;
  module.reset();
  if (!tempUserData.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(tempUserData, ec);
  }
  return rc;
}
