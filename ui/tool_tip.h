// A tool tip control owned by the object that made it.
#pragma once
#include <windows.h>

#include <string>

#include "ui/handles.h"

namespace ui {

class ToolTip {
 public:
  // Makes the tool tip window, owned by `owner` (a dialog); false when it
  // cannot be made.
  bool create(HWND owner) noexcept;
  // Destroys the window; the owner's destruction would also take it.
  void destroy() noexcept { window_.reset(); }

  HWND hwnd() const noexcept { return window_.get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(window_); }

  // A tool covering the whole of window `tool` (a child of the owner).
  bool addTool(HWND tool, const wchar_t* text) const noexcept;
  // A tool over `area` of the owner's client area, named by window `tool`
  // (a child of the owner lying over that area): mouse messages relayed for
  // it carry the owner's client coordinates, and the tip shows while the
  // cursor is over `tool` or its children. One such tool a tip.
  bool addTool(HWND tool, const RECT& area, const wchar_t* text) const noexcept;
  void setText(HWND tool, const wchar_t* text) const noexcept;
  std::wstring text(HWND tool) const;
  // Initial delay in milliseconds, the other delays in proportion.
  void setDelay(int milliseconds) const noexcept;
  void activate(bool on) const noexcept;
  // Passes a mouse message for one of the tools on, so that the tip can show.
  void relayEvent(const MSG& msg) const noexcept;

 private:
  TOOLINFOW toolInfo(HWND tool) const noexcept;

  unique_hwnd window_;
  HWND owner_ = nullptr;
};

}  // namespace ui
