// dialog_pictures OUTDIR: opens each dialog template of VdShared.dll with the
// content it has in use (the default settings, the module's string table,
// icons and bitmap) and writes OUTDIR/dialog-ID.png as the dialog shows.
// The dialogs run on a plain procedure that only fills the controls and paints
// the owner-drawn ones (swatches, preview panes).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "colour/palette.h"
#include "live_dialog.h"
#include "tools/png/bitmap_png.h"
#include "ui/gdi.h"

namespace {

HMODULE g_module = nullptr;

std::wstring moduleString(int id) {
  const wchar_t* text = nullptr;
  const int n = LoadStringW(g_module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

COLORREF indexColour(int index) { return static_cast<COLORREF>(vd::colour::rgb_of_index(index)); }

void fillRect(HDC dc, const RECT& r, COLORREF colour) {
  ui::unique_hbrush brush(CreateSolidBrush(colour));
  FillRect(dc, &r, brush.get());
}

// Colour swatches of the colour dialog: single colours and the 5 × 24 grids.
void drawSwatch(const DRAWITEMSTRUCT& item) {
  const RECT& r = item.rcItem;
  const int id = static_cast<int>(item.CtlID);
  fillRect(item.hDC, r, GetSysColor(COLOR_BTNFACE));
  int first = 0, rowStep = 0, rows = 1, columns = 1;
  if (id >= 1002 && id <= 1010) {
    first = id - 1001;
  } else if (id >= 1011 && id <= 1016) {
    first = 250 + id - 1011;
  } else if (id == 1023) {
    first = 1;
  } else if (id == 1025 || id == 1026) {
    first = id == 1025 ? 11 : 18;
    rowStep = id == 1025 ? 2 : -2;
    rows = 5;
    columns = 24;
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      RECT cell{r.left + w * column / columns, r.top + h * row / rows, r.left + w * (column + 1) / columns,
                r.top + h * (row + 1) / rows};
      if (columns > 1) cell.right -= 1, cell.bottom -= 1;
      fillRect(item.hDC, cell, indexColour(first + row * rowStep + column * 10));
    }
  }
  if (columns == 1) {
    RECT frame = r;
    FrameRect(item.hDC, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

// A preview pane: the white drawing area in a sunken frame.
void drawPane(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  fillRect(item.hDC, r, RGB(255, 255, 255));
  DrawEdge(item.hDC, &r, EDGE_SUNKEN, BF_RECT);
}

INT_PTR CALLBACK pictureDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_DRAWITEM) return FALSE;
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item->CtlID == 1065 || item->CtlID == 1066) {
    drawPane(*item);
  } else {
    drawSwatch(*item);
  }
  SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Sample content.

void setEditCombo(HWND dialog, int id, const wchar_t* text) {
  SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, 0, 0);
}

void setList(HWND dialog, int id, const std::vector<std::wstring>& items, int selected) {
  for (const std::wstring& s : items) SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void addExItem(HWND combo, const std::wstring& text, int image) {
  COMBOBOXEXITEMW item{};
  item.mask = CBEIF_TEXT | (image >= 0 ? CBEIF_IMAGE | CBEIF_SELECTEDIMAGE : 0);
  item.iItem = -1;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  item.iImage = item.iSelectedImage = image;
  SendMessageW(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// The image lists live as long as the program: the combos only borrow them.
std::vector<HIMAGELIST> g_imageLists;

HIMAGELIST swatchList() {
  static HIMAGELIST list = [] {
    HIMAGELIST l = ImageList_Create(12, 12, ILC_COLOR32 | ILC_MASK, 8, 0);
    ui::window_dc screen(nullptr);
    ui::unique_hdc dc(CreateCompatibleDC(screen.get()));
    for (int index : {7, 7, 1, 2, 3, 4, 5, 6, 7}) {  // by layer and by block show white
      ui::unique_hbitmap swatch(CreateCompatibleBitmap(screen.get(), 12, 12));
      {
        ui::select_result selected(dc.get(), swatch.get());
        RECT all{0, 0, 12, 12};
        fillRect(dc.get(), all, RGB(0, 0, 0));
        RECT inner{1, 1, 11, 11};
        fillRect(dc.get(), inner, index == 7 ? RGB(255, 255, 255) : indexColour(index));
      }
      ImageList_Add(l, swatch.get(), nullptr);
    }
    g_imageLists.push_back(l);
    return l;
  }();
  return list;
}

// A colour combo: by layer, by block, the colours 1..7 and "Vybrat barvu...".
void fillColourCombo(HWND dialog, int id, int selected) {
  HWND combo = GetDlgItem(dialog, id);
  SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(swatchList()));
  for (int i = 0; i < 9; ++i) addExItem(combo, moduleString(6000 + i), i);
  addExItem(combo, moduleString(6012), -1);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void fillBoundaryMarks(HWND dialog) {
  HWND combo = GetDlgItem(dialog, 1015);
  HIMAGELIST list = ImageList_Create(45, 32, ILC_COLOR32 | ILC_MASK, 6, 0);
  HBITMAP marks = static_cast<HBITMAP>(LoadImageW(g_module, MAKEINTRESOURCEW(1001), IMAGE_BITMAP, 0, 0, 0));
  ImageList_AddMasked(list, marks, RGB(255, 255, 255));
  DeleteObject(marks);
  g_imageLists.push_back(list);
  SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  for (int i = 0; i < 6; ++i) addExItem(combo, L"", i);
  SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 32);
  SendMessageW(combo, CB_SETITEMHEIGHT, 0, 32);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

void fillTerminators(HWND dialog, int id, int selected) {
  HWND combo = GetDlgItem(dialog, id);
  HIMAGELIST list = ImageList_Create(11, 11, ILC_COLOR32 | ILC_MASK, 18, 0);
  g_imageLists.push_back(list);
  for (int i = 5000; i <= 5017; ++i) {
    HICON icon = static_cast<HICON>(LoadImageW(g_module, MAKEINTRESOURCEW(i), IMAGE_ICON, 11, 11, 0));
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
  }
  SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  for (int i = 0; i < 18; ++i) addExItem(combo, moduleString(5000 + i), i);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

// The settings dialog with the default records of ČSN and the plan view.
void fillSettings(HWND dialog) {
  setList(dialog, 1002, {moduleString(1002), moduleString(1003), moduleString(1004)}, 0);
  setEditCombo(dialog, 1004, L"KOTY");
  fillColourCombo(dialog, 1006, 1);
  setEditCombo(dialog, 1008, L"0.001");
  setEditCombo(dialog, 1011, L"7.5");
  setEditCombo(dialog, 1013, L"11.725");
  fillBoundaryMarks(dialog);
  setEditCombo(dialog, 1017, L"3.55");
  setEditCombo(dialog, 1019, L"1.781");
  check(dialog, 1033, true);
  setEditCombo(dialog, 1035, L"5");
  setList(dialog, 1021, {L"STANDARD"}, 0);
  fillColourCombo(dialog, 1023, 1);
  setEditCombo(dialog, 1025, L"2.5");
  setEditCombo(dialog, 1027, L"0.8");
  setEditCombo(dialog, 1029, L"1.25");
  setList(dialog, 1031, {L".", L","}, 0);
  check(dialog, 1037, true);
  check(dialog, 1039, true);
  check(dialog, 1040, true);
  setEditCombo(dialog, 1043, L"KOTY");
  fillColourCombo(dialog, 1045, 1);
  setEditCombo(dialog, 1047, L"14.225");
  setEditCombo(dialog, 1049, L"6.25");
  fillTerminators(dialog, 1051, 3);
  setEditCombo(dialog, 1053, L"0.25");
  setList(dialog, 1055, {L"STANDARD"}, 0);
  fillColourCombo(dialog, 1057, 1);
  setEditCombo(dialog, 1059, L"2.5");
  setEditCombo(dialog, 1061, L"0.8");
  check(dialog, 1062, true);
}

void fillSample(HWND dialog, int id) {
  switch (id) {
    case 101: SetDlgItemTextW(dialog, 123, moduleString(6002).c_str()); break;
    case 102:
      check(dialog, 106, true);
      fillColourCombo(dialog, 108, 2);
      EnableWindow(GetDlgItem(dialog, 108), FALSE);  // the drawing's colour is in use
      break;
    case 1000: fillSettings(dialog); break;
    case 1002: {
      setEditCombo(dialog, 1004, L"±0.000");
      std::vector<std::wstring> points;
      for (int s = 1029; s <= 1035; ++s) points.push_back(moduleString(s));
      setList(dialog, 1007, points, 0);
      break;
    }
    case 1003: SetDlgItemTextW(dialog, 1002, L"12.5664"); break;
    default: break;
  }
}

void pumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG msg;
  do {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dialog_pictures OUTDIR\n");
    return 2;
  }
  g_module = LoadLibraryW(L"VdShared.dll");
  if (!g_module || !vdtest::registerControlClasses()) {
    std::fprintf(stderr, "VdShared.dll or the common controls did not load (error %lu)\n", GetLastError());
    return 1;
  }
  HICON big = static_cast<HICON>(LoadImageW(g_module, MAKEINTRESOURCEW(100), IMAGE_ICON, 32, 32, 0));
  HICON small = static_cast<HICON>(LoadImageW(g_module, MAKEINTRESOURCEW(100), IMAGE_ICON, 16, 16, 0));
  int failed = 0;
  for (int id : {101, 102, 1000, 1001, 1002, 1003}) {
    ui::unique_hwnd dialog = vdtest::openDialog(g_module, id, pictureDialogProc);
    if (!dialog) {
      std::fprintf(stderr, "template %d: no dialog (error %lu)\n", id, GetLastError());
      ++failed;
      continue;
    }
    SendMessageW(dialog.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(dialog.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    fillSample(dialog.get(), id);
    SetWindowPos(dialog.get(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(dialog.get());
    pumpMessages(300);
    const std::string path = std::string(argv[1]) + "/dialog-" + std::to_string(id) + ".png";
    std::string error;
    if (!vdpng::writeWindow(dialog.get(), path, error)) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
      ++failed;
      continue;
    }
    std::printf("%s\n", path.c_str());
  }
  for (HIMAGELIST list : g_imageLists) ImageList_Destroy(list);
  DestroyIcon(big);
  DestroyIcon(small);
  FreeLibrary(g_module);
  return failed == 0 ? 0 : 1;
}
