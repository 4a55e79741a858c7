#include "tools/vdhost/sweep.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <vector>

#include "ui/handles.h"

namespace vdhost {

namespace {

// The worker's reports, one line each:
//   clean                      the run without faults begins
//   positions K                it made K calls after init
//   begin N OPERATION ORDINAL  position N begins; it fails that call
//   ok N | lost N TEXT         position N ended; TEXT is its report line
//   error TEXT                 the sweep cannot go on
//   done                       every position ran
void report(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void closeKernelHandle(HANDLE h) { CloseHandle(h); }
using unique_handle = ui::unique_any<HANDLE, &closeKernelHandle>;

// A worker started with its standard output on a pipe that the supervisor
// reads line by line, with a time limit.
class Worker {
 public:
  enum class Read { Line, Ended, TimedOut };

  bool start(std::wstring commandLine, std::string& error) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
      error = "no pipe for the worker (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    output_.reset(readEnd);
    unique_handle childEnd(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    wchar_t program[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, program, MAX_PATH);
    PROCESS_INFORMATION pi{};
    if (n == 0 || n == MAX_PATH ||
        !CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
      error = "the worker does not start (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    process_.reset(pi.hProcess);
    CloseHandle(pi.hThread);
    return true;
  }

  // The next line, or the end of the worker, or nothing within `limitMs`.
  Read readLine(DWORD limitMs, std::string& line) {
    auto begun = std::chrono::steady_clock::now();
    for (;;) {
      size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        line = pending_.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pending_.erase(0, end + 1);
        return Read::Line;
      }
      DWORD available = 0;
      // The pipe breaks once the worker has ended and everything it wrote is read.
      if (!PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &available, nullptr)) return Read::Ended;
      if (available > 0) {
        std::vector<char> buffer(available);
        DWORD got = 0;
        if (!ReadFile(output_.get(), buffer.data(), available, &got, nullptr)) return Read::Ended;
        pending_.append(buffer.data(), got);
        continue;
      }
      auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begun);
      if (waited.count() >= limitMs) return Read::TimedOut;
      WaitForSingleObject(process_.get(), 2);
    }
  }

  void kill() {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), INFINITE);
  }

  DWORD exitCode() {
    WaitForSingleObject(process_.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

 private:
  unique_handle process_;
  unique_handle output_;
  std::string pending_;
};

std::string hex(DWORD code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(code));
  return buffer;
}

std::string seconds(double s) {
  std::ostringstream out;
  out << s << " s";
  return out.str();
}

constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryMilliseconds = 250;

// A crash ends the worker at once, with the exception code as its status,
// instead of waiting for a debugger or a dialog.
LONG WINAPI endOnCrash(EXCEPTION_POINTERS* e) {
  TerminateProcess(GetCurrentProcess(), e && e->ExceptionRecord ? e->ExceptionRecord->ExceptionCode : 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int superviseSweep(const std::function<std::wstring(int first)>& workerCommandLine, double timeoutSeconds) {
  const auto limit = static_cast<DWORD>(timeoutSeconds * 1000);
  int positions = -1, lost = 0, first = 1;
  auto fail = [](const std::string& why) {
    report("fault sweep: " + why);
    return 1;
  };
  for (;;) {
    Worker worker;
    std::string error;
    // Starting a process can fail for a moment on a loaded machine (Wine
    // answers ERROR_INTERNAL_ERROR now and then): a few tries before the
    // sweep gives up.
    bool started = false;
    for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
      if (attempt > 0) Sleep(kStartRetryMilliseconds);
      started = worker.start(workerCommandLine(first), error);
    }
    if (!started) return fail(error);
    int current = 0;  // the position that runs; 0 between positions
    std::string heading;
    bool done = false;
    for (;;) {
      std::string line;
      Worker::Read r = worker.readLine(limit, line);
      if (r == Worker::Read::Line) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        if (verb == "positions") {
          int k = 0;
          words >> k;
          if (positions >= 0 && k != positions)
            return fail("the run without faults made " + std::to_string(k) + " calls, before " +
                        std::to_string(positions) + ": the module does not run the same way twice");
          positions = k;
        } else if (verb == "begin") {
          std::string operation;
          int ordinal = 0;
          words >> current >> operation >> ordinal;
          heading = hostsim::positionHeading(current, operation, ordinal);
        } else if (verb == "ok") {
          current = 0;
        } else if (verb == "lost") {
          int n = 0;
          words >> n;
          std::string text;
          std::getline(words >> std::ws, text);
          report(text);
          ++lost;
          current = 0;
        } else if (verb == "done") {
          done = true;
          break;
        } else if (verb == "error") {
          worker.kill();
          std::string text;
          std::getline(words >> std::ws, text);
          return fail(text);
        }
        continue;
      }
      if (r == Worker::Read::TimedOut) {
        worker.kill();
        if (current == 0) return fail("the run without faults does not end within " + seconds(timeoutSeconds));
        report(heading + ": [hang] the run does not end within " + seconds(timeoutSeconds));
      } else {
        DWORD code = worker.exitCode();
        if (current == 0)
          return fail("the host program ended (status " + hex(code) + ") " +
                      (positions < 0 ? "in the run without faults" : "between two positions"));
        report(heading + ": [crash] the host program ended with status " + hex(code));
      }
      ++lost;
      first = current + 1;
      break;
    }
    if (done || first > positions) break;
  }
  report(hostsim::sweepSummary(positions, lost));
  return lost > 0 ? 1 : 0;
}

int runSweepWorker(hostsim::FaultSweep& sweep, int first) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(endOnCrash);
  report("clean");
  std::string error;
  if (!sweep.countPositions(error)) {
    report("error " + error);
    return 1;
  }
  report("positions " + std::to_string(sweep.positions()));
  for (int n = std::max(first, 1); n <= sweep.positions(); ++n) {
    const hostsim::HostCall& call = sweep.callAt(n);
    report("begin " + std::to_string(n) + " " + vd::hostOperationName(call.operation) + " " +
           std::to_string(call.ordinal));
    hostsim::SweepPosition p = sweep.run(n);
    if (!p.error.empty()) {
      report("error " + hostsim::describePosition(p));
      return 1;
    }
    report(p.lost() ? "lost " + std::to_string(n) + " " + hostsim::describePosition(p) : "ok " + std::to_string(n));
  }
  report("done");
  return 0;
}

int listSweepPositions(hostsim::FaultSweep& sweep) {
  std::string error;
  if (!sweep.countPositions(error)) {
    report("fault sweep: " + error);
    return 1;
  }
  for (int n = 1; n <= sweep.positions(); ++n) {
    const hostsim::HostCall& call = sweep.callAt(n);
    report("position " + std::to_string(n) + " " + vd::hostOperationName(call.operation) + " (its " +
           hostsim::ordinalText(call.ordinal) + " call)");
  }
  report("fault sweep: " + std::to_string(sweep.positions()) + " positions");
  return 0;
}

}  // namespace vdhost
