#include "dialog_script.h"

#include <utility>

#include "tools/vdhost/message_box.h"

namespace uitest {

namespace {
constexpr UINT kRunStep = WM_APP + 1;
constexpr UINT_PTR kWaitTimer = 1;
constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kPollMilliseconds = 10;
}  // namespace

ui::unique_hwnd makePlainWindow(const wchar_t* className, DWORD style, HWND parent) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);  // a second registration fails harmlessly
  return ui::unique_hwnd(
      CreateWindowExW(0, className, L"", style, 0, 0, 300, 200, parent, nullptr, wc.hInstance, nullptr));
}

DialogScript::DialogScript(ui::Dialog& dialog)
    : dialog_(dialog), window_(makePlainWindow(L"VdDialogScript", 0, HWND_MESSAGE)) {
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DialogScript::windowProc));
}

DialogScript::~DialogScript() = default;

DialogScript& DialogScript::then(std::function<void()> step) {
  steps_.push_back(Step{std::move(step), nullptr, {}, 0});
  return *this;
}

DialogScript& DialogScript::waitFor(std::function<bool()> done, std::string what, int milliseconds) {
  steps_.push_back(Step{nullptr, std::move(done), std::move(what), milliseconds});
  return *this;
}

INT_PTR DialogScript::run(int closeMilliseconds) {
  closeMilliseconds_ = closeMilliseconds;
  if (!window_) {
    failures_.push_back("the script window could not be made");
    return ui::kDialogFailed;
  }
  PostMessageW(window_.get(), kRunStep, 0, 0);
  const INT_PTR result = dialog_.DoModal();
  KillTimer(window_.get(), kWaitTimer);
  KillTimer(window_.get(), kCloseTimer);
  if (!steps_.empty())
    failures_.push_back("the dialog closed with " + std::to_string(steps_.size()) + " steps of the script left" +
                        (steps_.front().what.empty() ? "" : ", the next waiting for " + steps_.front().what));
  return result;
}

void DialogScript::next() {
  while (!steps_.empty()) {
    Step& step = steps_.front();
    if (step.done) {
      if (!waiting_) {
        waiting_ = true;
        waitEnd_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds);
      }
      if (!step.done()) {
        if (std::chrono::steady_clock::now() < waitEnd_) {
          SetTimer(window_.get(), kWaitTimer, kPollMilliseconds, nullptr);
          return;
        }
        failures_.push_back("timed out waiting for " + step.what);
        steps_.clear();
        dialog_.EndDialog(kScriptTimedOut);
        return;
      }
      waiting_ = false;
      steps_.pop_front();
      continue;
    }
    auto action = std::move(step.action);
    steps_.pop_front();
    action();
    // What the step posted is queued ahead of this. After the last step it
    // starts the time the dialog has left to close.
    PostMessageW(window_.get(), kRunStep, 0, 0);
    return;
  }
  // The script is over: the dialog has this long to close.
  SetTimer(window_.get(), kCloseTimer, static_cast<UINT>(closeMilliseconds_), nullptr);
}

LRESULT CALLBACK DialogScript::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<DialogScript*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && message == WM_TIMER && wParam == kCloseTimer) {
    KillTimer(hwnd, kCloseTimer);
    self->failures_.push_back("the dialog was still open when the script ended");
    self->dialog_.EndDialog(kScriptTimedOut);
    return 0;
  }
  if (self && (message == kRunStep || (message == WM_TIMER && wParam == kWaitTimer))) {
    if (message == WM_TIMER) KillTimer(hwnd, kWaitTimer);
    self->next();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

COLORREF screenPixel(HWND window, POINT client) {
  ui::window_dc dc(window);
  return dc ? GetPixel(dc.get(), client.x, client.y) : CLR_INVALID;
}

HWND messageBoxOver(HWND owner) {
  std::pair<HWND, HWND> search{owner, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM l) -> BOOL {
        auto& [owner, found] = *reinterpret_cast<std::pair<HWND, HWND>*>(l);
        const auto box = IsWindowVisible(w) ? vdhost::readMessageBox(w) : std::nullopt;
        if (box && box->owner == owner) found = w;
        return !found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

std::vector<std::wstring> comboItems(HWND combo) {
  std::vector<std::wstring> out;
  const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)), L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    out.push_back(text);
  }
  return out;
}

}  // namespace uitest
