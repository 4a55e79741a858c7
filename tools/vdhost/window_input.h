// Input as a user gives it: key, character and mouse messages posted to the
// window they are for, as the keyboard and mouse drivers post them. The
// thread's message loop then takes them through its hooks and the dialog
// manager (IsDialogMessage, TranslateMessage) before the window sees them,
// which is the path a framework's key hook and a dialog's default button
// depend on.
#pragma once
#include <windows.h>

namespace vdhost {

// Key down and key up; the loop's TranslateMessage makes the character.
void postKey(HWND target, UINT virtualKey);
// One WM_CHAR per UTF-16 unit, as an input method delivers typed text.
void postChars(HWND target, const wchar_t* text);
// A left click (button down and up) at a client point.
void postClick(HWND target, POINT client);
// The mouse moving onto a client point, then a left click there.
void postMoveAndClick(HWND target, POINT client);
// The mouse moving onto a client point, then a double click there: a click,
// then the second press as the system reports it, a double click.
void postMoveAndDoubleClick(HWND target, POINT client);
// The mouse moving onto a client point, then a wheel turn there; the wheel
// message carries screen coordinates, as the system gives them.
void postWheel(HWND target, POINT client, int delta);

// The middle of a window's client area.
POINT clientCentre(HWND window);
// The innermost visible window under a client point of `window` (itself
// when no child lies there); `client` becomes the point in its coordinates.
HWND windowAt(HWND window, POINT& client);

}  // namespace vdhost
