#include "ui/tool_tip.h"

#include <commctrl.h>

namespace ui {

bool ToolTip::create(HWND owner) noexcept {
  destroy();
  window_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
  owner_ = window_ ? owner : nullptr;
  return static_cast<bool>(window_);
}

TOOLINFOW ToolTip::toolInfo(HWND tool) const noexcept {
  TOOLINFOW info{};
  // The size every version of the control accepts.
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND;
  info.hwnd = owner_;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  return info;
}

bool ToolTip::addTool(HWND tool, const wchar_t* text) const noexcept {
  TOOLINFOW info = toolInfo(tool);
  info.lpszText = const_cast<wchar_t*>(text);
  return SendMessageW(window_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

namespace {

constexpr UINT_PTR kAreaSubclassId = 0x7471;

// Before the tip shows, the control asks itself which window is under the
// cursor (TTM_WINDOWFROMPOINT) and looks for a tool of that window there.
// An area tool belongs to the owner, but under the cursor lies the window
// `tool` (a combo box, or its edit field): over it the owner is answered.
LRESULT CALLBACK areaToolProc(HWND w, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR tool) {
  const LRESULT r = DefSubclassProc(w, message, wp, lp);
  if (message != TTM_WINDOWFROMPOINT) return r;
  const HWND under = reinterpret_cast<HWND>(r);
  const HWND toolWindow = reinterpret_cast<HWND>(tool);
  if (under && (under == toolWindow || IsChild(toolWindow, under))) return reinterpret_cast<LRESULT>(GetParent(toolWindow));
  return r;
}

}  // namespace

bool ToolTip::addTool(HWND tool, const RECT& area, const wchar_t* text) const noexcept {
  TOOLINFOW info = toolInfo(tool);
  info.uFlags &= ~TTF_IDISHWND;
  info.rect = area;
  info.lpszText = const_cast<wchar_t*>(text);
  if (SendMessageW(window_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) == FALSE) return false;
  return SetWindowSubclass(window_.get(), &areaToolProc, kAreaSubclassId, reinterpret_cast<DWORD_PTR>(tool)) != FALSE;
}

void ToolTip::setText(HWND tool, const wchar_t* text) const noexcept {
  TOOLINFOW info = toolInfo(tool);
  info.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(window_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

std::wstring ToolTip::text(HWND tool) const {
  // TTM_GETTEXT has no length query; tool tip texts of the dialogs are short.
  wchar_t buffer[1024] = {};
  TOOLINFOW info = toolInfo(tool);
  info.lpszText = buffer;
  SendMessageW(window_.get(), TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&info));
  return buffer;
}

void ToolTip::setDelay(int milliseconds) const noexcept {
  SendMessageW(window_.get(), TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(milliseconds, 0));
}

void ToolTip::activate(bool on) const noexcept { SendMessageW(window_.get(), TTM_ACTIVATE, on ? TRUE : FALSE, 0); }

void ToolTip::relayEvent(const MSG& msg) const noexcept {
  SendMessageW(window_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

}  // namespace ui
