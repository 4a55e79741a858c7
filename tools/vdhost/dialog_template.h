// Reads an extended dialog template (DLGTEMPLATEEX) as the resource compiler
// stores it: what a module's dialog is made of before its code changes it
// (the host lists a dialog against it; the resource tests check it).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vdhost {

struct DialogItem {
  int id = 0;  // -1 for an unnamed control
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring windowClass;  // predefined classes by name: Button, Edit, Static, ListBox, ScrollBar, ComboBox
  std::wstring text;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring title;
  std::wstring fontName;
  int pointSize = 0;
  std::vector<DialogItem> items;  // in template order, which is the tab order
};

// Parses `size` bytes of an extended template; false when they are not one
// or end early.
bool parseDialogTemplate(const void* data, size_t size, DialogTemplate& out);

// The template of dialog `id` in `module`'s resources; false when it is
// missing or cannot be read.
bool loadDialogTemplate(HMODULE module, int id, DialogTemplate& out);

}  // namespace vdhost
