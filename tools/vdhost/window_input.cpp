#include "tools/vdhost/window_input.h"

namespace vdhost {

void postKey(HWND target, UINT virtualKey) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, virtualKey, scan | 1);
  PostMessageW(target, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

void postChars(HWND target, const wchar_t* text) {
  for (const wchar_t* c = text; *c; ++c) PostMessageW(target, WM_CHAR, *c, 1);
}

void postClick(HWND target, POINT client) {
  const LPARAM at = MAKELPARAM(client.x, client.y);
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(target, WM_LBUTTONUP, 0, at);
}

void postMoveAndClick(HWND target, POINT client) {
  PostMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
  postClick(target, client);
}

void postMoveAndDoubleClick(HWND target, POINT client) {
  postMoveAndClick(target, client);
  // The second press within the double-click time arrives as a double click.
  const LPARAM at = MAKELPARAM(client.x, client.y);
  PostMessageW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(target, WM_LBUTTONUP, 0, at);
}

void postWheel(HWND target, POINT client, int delta) {
  PostMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
  POINT screen = client;
  ClientToScreen(target, &screen);
  PostMessageW(target, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
               MAKELPARAM(screen.x, screen.y));
}

POINT clientCentre(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

HWND windowAt(HWND window, POINT& client) {
  for (;;) {
    HWND child = ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == window) return window;
    MapWindowPoints(window, child, &client, 1);
    window = child;
  }
}

}  // namespace vdhost
