// vdhost: a headless CAD host that loads the module, binds it, feeds it a
// script of user input and prints what the module asked and did.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/text.h"
#include "hostsim/fault_sweep.h"
#include "hostsim/host.h"
#include "hostsim/script.h"
#include "tools/vdhost/alt_send.h"
#include "tools/vdhost/colour_windows.h"
#include "tools/vdhost/export_filter.h"
#include "tools/vdhost/host_windows.h"
#include "tools/vdhost/module_texts.h"
#include "tools/vdhost/picture.h"
#include "tools/vdhost/sweep.h"
#include "tools/vdhost/window_guard.h"
#include "ui/handles.h"
#include "ui/proc.h"
#include "ui/wide_text.h"

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
    hostsim::CommandArguments argv(args);
    result = fn(argv.argc(), argv.argv());
    return true;
  }

  bool omitExport(const std::string& name, std::string& error) override {
    return vdhost::removeOwnExport(name, error);
  }

  bool colourExt(int mode, uint32_t& colour, uint32_t& rgb, vd::vstring& text, int capacity, int& result) override {
    using ColorExtFn = int (*)(HWND, int, uint32_t*, uint32_t*, wchar_t*, int);
    auto fn = ui::procAddress<ColorExtFn>(module_, "ColorExtFunction");
    if (!fn) return false;
    std::vector<wchar_t> buffer(static_cast<size_t>(capacity), L'\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    result = fn(static_cast<HWND>(Host::instance().mainWindow), mode, &colour, &rgb, buffer.data(), capacity);
    text = ui::fromWide(std::wstring_view(buffer.data(), static_cast<size_t>(
                                              std::find(buffer.begin(), buffer.end(), L'\0') - buffer.begin())));
    return true;
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
    if (a != e && std::getenv("VDHOST_UPDATE_EXPECTED")) {
      // The transcript becomes the expectation, in the file's own line ends:
      // after a change of what transcripts show, for review with git diff.
      std::string old;
      {
        std::ifstream in(expectPath, std::ios::binary);
        old.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
      const std::string end = old.find("\r\n") != std::string::npos ? "\r\n" : "\n";
      std::ofstream out(expectPath, std::ios::binary | std::ios::trunc);
      for (const std::string& line : actual) out << line << end;
      std::fprintf(stderr, "vdhost: updated %s\n", expectPath.c_str());
      return out ? 0 : 1;
    }
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
               "              [--fail OPERATION:N]... [--quiet] [--time] [SCRIPT]\n"
               "       vdhost [--module DLL] [--userdata DIR] [--load DXF] [--fault-timeout SECONDS] [--fault-positions] --fault-sweep SCRIPT\n"
               "  --load DXF  start from the drawing in a DXF file\n"
               "  --save DXF  write the drawing as DXF R2000 after the script\n"
               "  --picture PNG [--picture-size WxH]  paint the drawing after the script, and at its snapshot lines (default 1024x768)\n"
               "  --fail OPERATION:N  the N-th call of the host operation (* for any) after init fails\n"
               "  --time  write each command's own time (and the load's and save's) to stderr, not to the transcript\n"
               "  --fault-sweep SCRIPT  run the script once per host call the module makes, failing that call\n"
               "  --fault-positions  list the calls the sweep would fail (the run without faults), and sweep nothing\n");
}

struct Options {
  std::string modulePath = "VdShared.dll", script, transcriptPath, expectPath, userData, loadPath, savePath,
              picturePath;
  int pictureWidth = 1024, pictureHeight = 768;
  bool quiet = false;
  bool time = false;                               // --time
  std::vector<std::pair<hostsim::OperationFilter, int>> fails;  // --fail OPERATION:N
  std::string sweepScript;                         // --fault-sweep
  double timeoutSeconds = 10;                      // --fault-timeout
  int workerFirst = 0;                             // --fault-worker: this process runs positions from here on
  bool listPositions = false;                      // --fault-positions
};

// "OPERATION:N" with a known operation (or *) and N from 1.
bool parseFail(const std::string& text, std::pair<hostsim::OperationFilter, int>& out) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  char* end = nullptr;
  long n = std::strtol(text.c_str() + colon + 1, &end, 10);
  if (colon + 1 == text.size() || *end != 0 || n < 1 || n > 1000000000L) return false;
  out.second = static_cast<int>(n);
  return hostsim::operationFilter(std::string_view(text).substr(0, colon), out.first);
}

bool parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string text;
    bool ok = true;
    if (a == "--module") {
      ok = value(o.modulePath);
    } else if (a == "--transcript") {
      ok = value(o.transcriptPath);
    } else if (a == "--expect") {
      ok = value(o.expectPath);
    } else if (a == "--userdata") {
      ok = value(o.userData);
    } else if (a == "--load") {
      ok = value(o.loadPath);
    } else if (a == "--picture") {
      ok = value(o.picturePath);
    } else if (a == "--picture-size") {
      ok = value(text) && std::sscanf(text.c_str(), "%dx%d", &o.pictureWidth, &o.pictureHeight) == 2 &&
           o.pictureWidth > 0 && o.pictureHeight > 0 && o.pictureWidth <= 8192 && o.pictureHeight <= 8192;
    } else if (a == "--save") {
      ok = value(o.savePath);
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--time") {
      o.time = true;
    } else if (a == "--fail") {
      std::pair<hostsim::OperationFilter, int> fail;
      ok = value(text) && parseFail(text, fail);
      if (ok) o.fails.push_back(fail);
      if (!ok) std::fprintf(stderr, "vdhost: --fail wants OPERATION:N, a host operation (or *) and N from 1\n");
    } else if (a == "--fault-sweep") {
      ok = value(o.sweepScript);
    } else if (a == "--fault-timeout") {
      ok = value(text) && std::sscanf(text.c_str(), "%lf", &o.timeoutSeconds) == 1 && o.timeoutSeconds > 0 &&
           o.timeoutSeconds < 86400;
    } else if (a == "--fault-positions") {
      o.listPositions = true;
    } else if (a == "--fault-worker") {
      ok = value(text) && std::sscanf(text.c_str(), "%d", &o.workerFirst) == 1 && o.workerFirst >= 1;
    } else if (!a.empty() && a[0] != '-' && o.script.empty()) {
      o.script = a;
    } else {
      ok = false;
    }
    if (!ok) return false;
  }
  if (!o.sweepScript.empty()) {
    // A sweep judges runs; it saves, paints and compares nothing.
    return o.script.empty() && o.savePath.empty() && o.picturePath.empty() && o.transcriptPath.empty() &&
           o.expectPath.empty() && o.fails.empty();
  }
  return o.workerFirst == 0 && !o.listPositions && !(o.script.empty() && o.loadPath.empty() && o.savePath.empty() && o.picturePath.empty());
}

// The module loaded and its texts served, for as long as this lives.
class LoadedModule {
 public:
  explicit LoadedModule(const std::string& path) {
    std::wstring wide(reinterpret_cast<const wchar_t*>(vd::utf8ToUtf16(path).c_str()));
    module_.reset(LoadLibraryW(wide.c_str()));
    if (!module_) {
      error_ = "cannot load the module " + path + " (error " + std::to_string(GetLastError()) + ")";
      return;
    }
    g_module = module_.get();
  }
  ~LoadedModule() { g_module = nullptr; }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  HMODULE get() const { return module_.get(); }
  const std::string& error() const { return error_; }

 private:
  ui::unique_hmodule module_;
  std::string error_;
};

// A user data directory of the host's own, removed with everything in it at the end.
class TempUserData {
 public:
  TempUserData() : path_(makeTempUserData()) {}
  ~TempUserData() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempUserData(const TempUserData&) = delete;
  TempUserData& operator=(const TempUserData&) = delete;
  const std::filesystem::path& path() const { return path_; }

  // Empties the directory and fills it with a copy of `from` (when given).
  bool refill(const std::string& from, std::string& error) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) std::filesystem::remove_all(entry, ec);
    if (!ec && !from.empty())
      std::filesystem::copy(from, path_, std::filesystem::copy_options::recursive, ec);
    if (ec) error = "the user data " + path_.string() + " cannot be renewed: " + ec.message();
    return !ec;
  }

 private:
  std::filesystem::path path_;
};

// The script's `snapshot` lines paint the drawing as --picture does, at the
// --picture-size; the file's folders are made as needed.
void paintSnapshots(Host& host, const Options& o) {
  host.windowOperations.drawingPicture = [&host, width = o.pictureWidth, height = o.pictureHeight](
                                             const std::string& path, const vdhost::PictureWindow& window,
                                             bool write, std::string& error) {
    if (!write) {
      std::vector<uint8_t> png;
      return vdhost::drawingPicturePng(host.drawing(), width, height, png, error, host.variables, host.environment,
                                       window);
    }
    const std::filesystem::path file = std::filesystem::u8path(path);
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    return vdhost::saveDrawingPicture(host.drawing(), path, width, height, error, host.variables, host.environment,
                                      window);
  };
}

// The host as every run starts: fresh state, this program's window and icon,
// the module's texts and the user data directory.
void resetHost(Host& host, HWND mainWindow, const vd::vstring& userDataPath) {
  host.reset();
  host.mainWindow = mainWindow;
  host.appIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  host.stringSource = &moduleString;
  host.userDataPath = userDataPath;
}

// --time: how long each command (and the load and save) took, on stderr, so
// that the transcript stays the same with and without it.
// Besides the elapsed time, the processor time of this process (user and
// kernel), which other programs on a busy machine do not inflate.
using Clock = std::chrono::steady_clock;
double processorMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;  // 100 ns ticks
}
struct Started {
  Clock::time_point at = Clock::now();
  double processor = processorMs();
};
void reportTime(const std::string& what, const Started& begun) {
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begun.at).count();
  std::fprintf(stderr, "vdhost: time %s: %.1f ms (processor %.1f ms)\n", what.c_str(), ms,
               processorMs() - begun.processor);
}

class CommandTimer : public hostsim::RunObserver {
 public:
  void commandStarting(const std::string& command, int line) override {
    command_ = command + " (script line " + std::to_string(line) + ")";
    begun_ = Started();
  }
  void commandEnded() override { reportTime("command " + command_, begun_); }

 private:
  std::string command_;
  Started begun_;
};

// --fault-sweep without --fault-worker: supervises workers, which are this
// program again with the same arguments and the position to begin with.
int superviseSweep(const Options& o) {
  std::wstring commandLine = GetCommandLineW();
  return vdhost::superviseSweep(
      [&](int first) { return commandLine + L" --fault-worker " + std::to_wstring(first); }, o.timeoutSeconds);
}

int runSweepWorker(const Options& o) {
  Host& host = Host::instance();
  std::string script;
  if (!hostsim::readTextFile(o.sweepScript, script)) {
    std::printf("error cannot read script %s\n", o.sweepScript.c_str());
    return 1;
  }
  ui::unique_hwnd mainWindow(createMainWindow());
  // Dialogs and message boxes are answered in every run as in a plain one.
  vdhost::HostWindows windows(host);
  if (!windows.ready()) {
    std::printf("error the dialog driver cannot watch this thread's windows\n");
    return 1;
  }
  // A window in a test that must show none ends the sweep with that error.
  vdhost::WindowGuard guard([](const std::string& what) {
    std::printf("error %s\n", what.c_str());
    std::fflush(stdout);
  });
  TempUserData userData;
  LoadedModule module(o.modulePath);
  if (!module.get()) {
    std::printf("error %s\n", module.error().c_str());
    return 1;
  }
  DllModule face(module.get());
  vdhost::passColourExtTo(host, module.get());
  paintSnapshots(host, o);
  // Every run starts from the same drawing, settings and user data.
  hostsim::FaultSweep sweep(host, face, script, [&](std::string& error) {
    resetHost(host, mainWindow.get(), vd::utf8ToUtf16(userData.path().string()));
    if (!userData.refill(o.userData, error)) return false;
    return o.loadPath.empty() || host.loadDrawing(o.loadPath, error);
  }, /*underWine=*/true);
  if (o.listPositions) return vdhost::listSweepPositions(sweep);
  return vdhost::runSweepWorker(sweep, o.workerFirst);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parseOptions(argc, argv, o)) {
    usage();
    return 2;
  }
  // The host program's own modules are there before any module is loaded.
  vdhost::loadAltSendModules();
  if (!o.sweepScript.empty()) return o.workerFirst > 0 || o.listPositions ? runSweepWorker(o) : superviseSweep(o);

  Host& host = Host::instance();
  ui::unique_hwnd mainWindow(createMainWindow());
  std::optional<TempUserData> tempUserData;
  if (o.userData.empty()) tempUserData.emplace();
  resetHost(host, mainWindow.get(),
            vd::utf8ToUtf16(tempUserData ? tempUserData->path().string() : o.userData));
  for (const auto& [filter, n] : o.fails) host.calls.failAfterStart(filter, n);
  // The script's dialog lines answer the module's dialogs and message boxes.
  vdhost::HostWindows windows(host);
  if (!windows.ready()) {
    std::fprintf(stderr, "vdhost: the dialog driver cannot watch this thread's windows\n");
    return 1;
  }
  bool windowShown = false;
  vdhost::WindowGuard guard([&](const std::string& what) {
    std::fprintf(stderr, "vdhost: %s\n", what.c_str());
    windowShown = true;
  });

  int rc = 0;
  {
    LoadedModule module(o.modulePath);
    if (!module.get()) {
      host.fail(module.error());
      rc = 1;
    } else {
      host.log("module " + std::filesystem::path(o.modulePath).filename().string() + " loaded");
      DllModule face(module.get());
      vdhost::passColourExtTo(host, module.get());
      paintSnapshots(host, o);
      CommandTimer timer;
      hostsim::ScriptRunner runner(host, face, o.time ? &timer : nullptr);
      std::string error;
      Started begun;
      if (!o.loadPath.empty() && !host.loadDrawing(o.loadPath, error)) {
        host.fail(error);
        rc = 1;
      } else if (!o.loadPath.empty()) {
        host.log("host: drawing loaded from " + o.loadPath);
        if (o.time) reportTime("load " + o.loadPath, begun);
      }
      if (rc == 0 && !o.script.empty()) rc = runner.runFile(o.script) ? 0 : 1;
      begun = Started();
      if (rc == 0 && !o.savePath.empty()) {
        if (host.saveDrawing(o.savePath, error)) {
          if (o.time) reportTime("save " + o.savePath, begun);
          host.log("host: drawing saved to " + o.savePath);
        } else {
          host.fail(error);
          rc = 1;
        }
      }
      if (rc == 0 && !o.picturePath.empty()) {
        if (vdhost::saveDrawingPicture(host.drawing(), o.picturePath, o.pictureWidth, o.pictureHeight, error,
                                       host.variables, host.environment)) {
          host.log("host: picture saved to " + o.picturePath);
        } else {
          host.fail(error);
          rc = 1;
        }
      }
    }
  }

  std::string text;
  for (const std::string& line : host.transcript()) text += line + "\n";
  if (!o.quiet) std::fwrite(text.data(), 1, text.size(), stdout);
  if (!o.transcriptPath.empty()) {
    std::ofstream out(o.transcriptPath, std::ios::binary);
    out << text;
  }
  if (host.failed()) std::fprintf(stderr, "vdhost: %s\n", host.error().c_str());
  if (rc == 0 && !o.expectPath.empty()) rc = compareTranscript(host.transcript(), o.expectPath);
  return rc == 0 && windowShown ? 1 : rc;
}
