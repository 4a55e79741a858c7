#include "controls/arrow_combo.h"

#include <cmath>
#include <cstring>

#include "dialog_ids.h"
#include "host/services.h"
#include "string_ids.h"
#include "ui/gdi.h"
#include "ui/handles.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

namespace vd {

const ArrowTerminator kArrowTerminators[kArrowTerminatorCount] = {
    {L".", IDS_ARROW_CLOSED_FILLED},
    {L"_CLOSED", IDS_ARROW_CLOSED},
    {L"_NONE", IDS_ARROW_NONE},
    {L"_DOT", IDS_ARROW_DOT},
    {L"_CLOSEDBLANK", IDS_ARROW_CLOSED_BLANK},
    {L"_OBLIQUE", IDS_ARROW_OBLIQUE},
    {L"_ARCHTICK", IDS_ARROW_ARCHTICK},
    {L"_OPEN", IDS_ARROW_OPEN},
    {L"_ORIGIN", IDS_ARROW_ORIGIN},
    {L"_OPEN90", IDS_ARROW_OPEN90},
    {L"_Open30", IDS_ARROW_OPEN30},
    {L"_DotBlank", IDS_ARROW_DOT_BLANK},
    {L"_DotSmall", IDS_ARROW_DOT_SMALL},
    {L"_BOXFILLED", IDS_ARROW_BOX_FILLED},
    {L"_BOXBLANK", IDS_ARROW_BOX_BLANK},
    {L"_DATUMFILLED", IDS_ARROW_DATUM_FILLED},
    {L"_DATUMBLANK", IDS_ARROW_DATUM_BLANK},
    {L"_INTEGRAL", IDS_ARROW_INTEGRAL},
};

// Every terminator's picture has the number of its text.
static_assert(IDI_ARROW_CLOSED_FILLED == IDS_ARROW_CLOSED_FILLED && IDI_ARROW_INTEGRAL == IDS_ARROW_INTEGRAL);

bool sameArrowName(std::wstring_view a, std::wstring_view b) noexcept {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  // Ordinal comparison: block names are compared code unit by code unit after
  // case folding, whatever the user's locale; unpaired surrogates compare as
  // they are.
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

namespace {

// An item's data: its own copy of the name, freed by freeNames.
LPARAM copyName(const wchar_t* name) {
  const size_t length = std::wcslen(name);
  auto* copy = new wchar_t[length + 1];
  std::memcpy(copy, name, (length + 1) * sizeof(wchar_t));
  return reinterpret_cast<LPARAM>(copy);
}

// The name copy an item's data holds; null for an item without one (or no item).
const wchar_t* nameOf(LPARAM data) noexcept {
  return data == 0 || data == CB_ERR ? nullptr : reinterpret_cast<const wchar_t*>(data);
}

}  // namespace

arrowCombo::arrowCombo(const wchar_t* selectedName, bool offerByStyle)
    : selectedName_(selectedName ? selectedName : L"."),
      offerByStyle_(offerByStyle ? 1 : 0),
      screenScale_(ui::screenScale()) {}

arrowCombo::~arrowCombo() {
  // Normally the window has gone first and freed the names. An object that
  // goes first takes its names and pictures from the window it leaves.
  if (hwnd() && IsWindow(hwnd())) {
    freeNames();
    setImageList(nullptr);
  }
}

bool arrowCombo::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onReflected<CBN_SELCHANGE, &arrowCombo::OnSelectionChange>,
      ui::onDestroy<&arrowCombo::OnDestroy>,
  };
  return ui::dispatch(*this, map, m) || VdComboBoxEx::ProcessMessage(m);
}

void arrowCombo::OnSubclassed() {
  VdComboBoxEx::OnSubclassed();
  setExtraWidth(kArrowPictureWidth);
  for (const ArrowTerminator& t : kArrowTerminators) addItem(t.name, t.id, t.id);
  if (offerByStyle_ && findName(kArrowByStyleName) < 0) addItem(kArrowByStyleName, IDS_ARROW_BY_STYLE, IDI_ARROW_BY_STYLE);
  // The default first, so that a name the list lacks leaves it selected.
  const std::wstring wanted = selectedName_;
  selectByName(kArrowTerminators[0].name);
  selectByName(wanted.c_str());
}

void arrowCombo::addItem(const wchar_t* name, int textId, int iconId) {
  const std::wstring text = ui::toWide(loadText(textId));
  const int picture = addPicture(iconId);
  const LPARAM data = copyName(name);
  if (insertItem(-1, text.c_str(), picture, data) < 0) delete[] reinterpret_cast<wchar_t*>(data);
}

int arrowCombo::addPicture(int iconId) {
  if (!images_) {
    const int size = static_cast<int>(std::lround(kArrowPictureSize * screenScale_));
    if (!images_.create(size, size, ILC_COLOR32 | ILC_MASK, 0, 256)) return -1;
    setImageList(images_.get());
  }
  // Icons of the module this control's resources come from; LoadIconW's
  // icons are shared and never destroyed.
  HICON icon = LoadIconW(ui::resourceModule(moduleState()), MAKEINTRESOURCEW(iconId));
  return icon ? images_.addIcon(icon) : -1;
}

std::wstring arrowCombo::itemName(int index) const {
  const wchar_t* name = hwnd() && index >= 0 ? nameOf(itemData(index)) : nullptr;
  return name ? std::wstring(name) : std::wstring();
}

int arrowCombo::findName(std::wstring_view name) const {
  for (int i = 0, n = count(); i < n; ++i) {
    const wchar_t* item = nameOf(itemData(i));
    if (item && sameArrowName(item, name)) return i;
  }
  return -1;
}

bool arrowCombo::selectByName(const wchar_t* name) {
  if (!name) return false;
  if (!hwnd()) {
    selectedName_ = name;
    return true;
  }
  const int index = findName(name);
  if (index < 0 || !setCurSel(index)) return false;
  selectedName_ = itemName(index);
  return true;
}

void arrowCombo::OnSelectionChange() {
  const int index = curSel();
  if (index >= 0 && nameOf(itemData(index))) {
    selectedName_ = itemName(index);
  } else {
    const std::wstring stored = selectedName_;
    selectByName(stored.c_str());
  }
}

void arrowCombo::OnDestroy() {
  freeNames();
  Default();
}

void arrowCombo::freeNames() noexcept {
  for (int i = 0, n = count(); i < n; ++i) {
    const wchar_t* name = nameOf(itemData(i));
    if (!name) continue;
    setItemData(i, 0);
    delete[] name;
  }
}

}  // namespace vd
