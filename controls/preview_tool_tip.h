// previewToolTip: the tool tip of a preview pane.
//
// It covers the whole pane and asks for its text only when it is about to
// show: the pane finds the elements under the cursor and its parent writes
// the text for their handles (previewBtn::kToolTipText). Lines of the text
// are separated by '\n'; the tip is as wide as its widest line.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/tool_tip.h"

namespace vd {

class previewBtn;

// What a kToolTipText message carries (lParam): the handles of the elements
// under the cursor, and the text for the parent to fill (empty: no tip).
struct previewTipRequest {
  const std::vector<std::uint64_t>* handles = nullptr;
  std::wstring* text = nullptr;
};

class previewToolTip : public ui::ToolTip {
 public:
  // Initial delay before the tip shows, in milliseconds.
  static constexpr int kDelay = 400;

  // Makes the tool tip for `pane` (a window that exists); false when it
  // cannot be made.
  bool create(previewBtn& pane);
  // Answers the tool tip's request for the text to show (TTN_GETDISPINFOW,
  // which comes to the pane).
  void answer(NMTTDISPINFOW& info);
  // The text shown last.
  const std::wstring& text() const noexcept { return text_; }

 private:
  // Width of the widest line of text in the tip's font, in pixels.
  int widestLine() const;

  previewBtn* pane_ = nullptr;
  std::wstring text_;
};

}  // namespace vd
