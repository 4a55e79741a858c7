#include "controls/combo_history.h"

#include <commctrl.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "store/ini_store.h"
#include "store/value_text.h"
#include "ui/wide_text.h"

namespace vd {

namespace {

constexpr wchar_t kHistorySuffix[] = L"_CB_HST";
constexpr wchar_t kActiveSuffix[] = L"_CB_ACT";

bool isRelayedMouseMessage(UINT message) {
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return true;
    default:
      return false;
  }
}

bool isButton(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return CompareStringOrdinal(name, -1, L"Button", -1, TRUE) == CSTR_EQUAL;
}

// The range message is printed with (int decimals, double minimum, int
// decimals, double maximum). A format that asks for anything else would read
// the arguments as the wrong types, so it is shown as it stands: true when
// every conversion is "%[flags][width].*" with f, e or g, at most two of them.
bool fitsRangeArguments(std::wstring_view format) {
  int conversions = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') continue;
    if (++i < format.size() && format[i] == L'%') continue;
    while (i < format.size() && std::wstring_view(L"-+ #0").find(format[i]) != std::wstring_view::npos) ++i;
    while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') ++i;
    if (i + 2 > format.size() || format[i] != L'.' || format[i + 1] != L'*') return false;
    i += 2;
    if (i >= format.size() || std::wstring_view(L"fFeEgG").find(format[i]) == std::wstring_view::npos) return false;
    if (++conversions > 2) return false;
  }
  return true;
}

}  // namespace

comboHistory::comboHistory(int maxCount, uint32_t style)
    : maxCount_(maxCount), style_(style), mirror_(maxCount > kMirrorAbove) {}

comboHistory::~comboHistory() = default;

bool comboHistory::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onReflected<CBN_SELCHANGE, &comboHistory::OnSelChange>,
      ui::onReflected<CBN_EDITCHANGE, &comboHistory::OnEditChange>,
      ui::onReflected<CBN_EDITUPDATE, &comboHistory::OnEditChange>,
      ui::onReflected<CBN_SETFOCUS, &comboHistory::OnFocusGained>,
      ui::onReflected<CBN_KILLFOCUS, &comboHistory::OnFocusLost>,
      ui::onDestroy<&comboHistory::OnDestroy>,
      ui::onMessage<CB_ADDSTRING, &comboHistory::OnAddString>,
      ui::onMessage<CB_INSERTSTRING, &comboHistory::OnInsertString>,
      ui::onMessage<CB_DELETESTRING, &comboHistory::OnDeleteString>,
      ui::onMessage<CB_RESETCONTENT, &comboHistory::OnResetContent>,
      ui::onMessage<CB_SETITEMDATA, &comboHistory::OnSetItemData>,
  };
  return ui::dispatch(*this, map, m) || VdComboBox::ProcessMessage(m);
}

void comboHistory::setRange(double minimum, double maximum, std::wstring format, std::wstring caption) {
  rangeCheck_ = true;
  minimum_ = minimum;
  maximum_ = maximum;
  rangeFormat_ = std::move(format);
  rangeCaption_ = std::move(caption);
}

std::wstring comboHistory::rangeMessage() const {
  if (!fitsRangeArguments(rangeFormat_)) return rangeFormat_;
  const vstring format = ui::fromWide(rangeFormat_);
  return ui::toWide(vformat(format.c_str(), decimals_, minimum_, decimals_, maximum_));
}

void comboHistory::setEditText(const std::wstring& text) const { window().setText(text); }

// ---- entries -------------------------------------------------------------

int comboHistory::entryCount() const {
  return mirror_ ? static_cast<int>(mirrorTexts_.size()) : count();
}

std::wstring comboHistory::entryText(int index) const {
  if (!mirror_) return itemText(index);
  return index >= 0 && index < static_cast<int>(mirrorTexts_.size()) ? mirrorTexts_[static_cast<size_t>(index)]
                                                                     : std::wstring();
}

uint64_t comboHistory::entryData(int index) const {
  if (!mirror_) {
    const LPARAM data = itemData(index);
    return data == CB_ERR ? 0 : static_cast<uint64_t>(data);
  }
  return index >= 0 && index < static_cast<int>(mirrorData_.size()) ? mirrorData_[static_cast<size_t>(index)] : 0;
}

int comboHistory::findEntry(const std::wstring& text) const {
  for (int i = 0, n = entryCount(); i < n; ++i) {
    if (entryText(i) == text) return i;
  }
  return -1;
}

std::wstring comboHistory::currentText() const {
  const int selected = curSel();
  return selected >= 0 ? entryText(selected) : editText();
}

int comboHistory::storableCount() {
  int storable = 0;
  std::wstring stored;
  for (int i = 0, n = entryCount(); i < n; ++i) {
    if (writeItem(entryText(i), entryUserData(i), false, stored)) ++storable;
  }
  return storable;
}

// ---- the virtual operations ----------------------------------------------

double comboHistory::readNumber(const std::wstring& text) const {
  // Numbers come from the user and from the dialogs with either separator.
  // A text reads as the number it begins with ("2.5x" is 2.5) and one that
  // begins with none as 0, as the C library reads numbers; the range check
  // then tells the user when that is no value the field takes.
  vstring digits = ui::fromWide(text);
  std::replace(digits.begin(), digits.end(), u',', u'.');
  const double value = storetext::leadingDouble(digits).value_or(0.0);
  return std::isfinite(value) ? value : std::copysign(DBL_MAX, value);
}

std::wstring comboHistory::formatNumber(double value) const {
  return ui::toWide(vformat(u"%.*f", decimals_ < 0 ? 0 : decimals_, value));
}

bool comboHistory::readItem(const std::wstring& text, bool, std::wstring& display, uint16_t& userData) {
  userData = 0;
  display.clear();
  // An empty field holds no number to read: it is refused, quietly, as an
  // empty text is (nothing was typed that could be told wrong).
  const bool blank = text.find_first_not_of(L" \t") == std::wstring::npos;
  display = decimals_ < 0 ? text : (blank ? std::wstring() : formatNumber(readNumber(text)));
  return !display.empty();
}

bool comboHistory::writeItem(const std::wstring& display, uint16_t, bool, std::wstring& stored) {
  stored = display;
  return !stored.empty();
}

int comboHistory::compareItems(const std::wstring& newText, const std::wstring& itemText, uint16_t, uint16_t,
                               uint32_t newSequence, uint32_t itemSequence) {
  if (style_ & kOrderAlphabetic) {
    // The order the system's sorted lists use, in the user's language.
    const int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, newText.data(),
                                 static_cast<int>(newText.size()), itemText.data(),
                                 static_cast<int>(itemText.size()));
    if (r != 0) return r - CSTR_EQUAL;
    return CompareStringOrdinal(newText.data(), static_cast<int>(newText.size()), itemText.data(),
                                static_cast<int>(itemText.size()), TRUE) -
           CSTR_EQUAL;
  }
  if (style_ & kOrderSequence) return newSequence < itemSequence ? -1 : (newSequence > itemSequence ? 1 : 0);
  return 0;
}

bool comboHistory::acceptText(const std::wstring& text) {
  if (decimals_ < 0 || !rangeCheck_) return true;
  const double value = readNumber(text);
  if (value >= minimum_ && value <= maximum_) return true;
  reportRangeError();
  return false;
}

// ---- insertion and selection ---------------------------------------------

bool comboHistory::addToHistory(const std::wstring& text, bool select, bool report) {
  std::wstring display;
  uint16_t userData = 0;
  if (!readItem(text, report, display, userData)) return false;
  return insertEntry(display, userData, select);
}

bool comboHistory::insertEntry(const std::wstring& display, uint16_t userData, bool select) {
  if (display.empty()) return false;
  const uint32_t sequence = nextSequence_++;
  const uint64_t data = packItemData(sequence, userData);
  const auto show = [&](int index, const std::wstring& text) {
    if (!select) return;
    setCurSel(index);
    if (hasEditField() && editText() != text) setEditText(text);
    refreshToolTip();
  };
  int at = -1;
  for (int i = 0, n = entryCount(); i < n; ++i) {
    const std::wstring itemText = entryText(i);
    const uint64_t itemData = entryData(i);
    const int order = compareItems(display, itemText, userData, userDataOf(itemData), sequence, sequenceOf(itemData));
    if (order > 0) continue;
    if (order == 0) {
      show(i, itemText);
      return true;
    }
    at = i;
    break;
  }
  if (!acceptText(display)) return false;
  const int index = insertString(at, display.c_str());
  if (index < 0) return false;
  setItemData(index, static_cast<LPARAM>(data));
  show(index, display);
  return true;
}

bool comboHistory::selectUsableFrom(int index) {
  const int n = entryCount();
  index = std::clamp(index, 0, n);
  std::wstring stored;
  for (int step = 0; step < n; ++step) {
    const int i = (index + step) % n;
    const std::wstring text = entryText(i);
    if (!writeItem(text, entryUserData(i), true, stored)) continue;
    setCurSel(i);
    if (hasEditField()) setEditText(text);
    refreshToolTip();
    return true;
  }
  setCurSel(-1);
  refreshToolTip();
  return false;
}

// ---- settings ------------------------------------------------------------

std::wstring comboHistory::historyKey(std::wstring_view key) const {
  if (!key.empty()) return std::wstring(key);
  return L"#" + std::to_wstring(id()) + kHistorySuffix;
}

std::wstring comboHistory::activeKey(std::wstring_view key) const {
  if (!key.empty()) return std::wstring(key) + kActiveSuffix;
  return L"#" + std::to_wstring(id()) + kActiveSuffix;
}

bool comboHistory::load(ini_store& store, std::wstring_view key, bool active) {
  nextSequence_ = 1;
  std::vector<vstring> entries;
  const bool read = store.getStringList(ui::fromWide(historyKey(key)), entries);
  for (const vstring& entry : entries) {
    if (entryCount() >= maxCount_) break;
    std::wstring display;
    uint16_t userData = 0;
    if (!readItem(ui::toWide(entry), false, display, userData)) continue;
    // A stored number outside the range is left out quietly: the range
    // message is for what the user types, not for an old file.
    if (decimals_ >= 0 && rangeCheck_ && !(readNumber(display) >= minimum_ && readNumber(display) <= maximum_))
      continue;
    insertEntry(display, userData, false);
  }
  if (active) restoreActiveValue(store, key);
  return read;
}

std::vector<comboHistory::posix> comboHistory::savedEntries() {
  std::vector<posix> entries;
  std::wstring stored;
  for (int i = 0, n = entryCount(); i < n; ++i) {
    if (writeItem(entryText(i), entryUserData(i), false, stored)) entries.push_back(posix{entrySequence(i), stored});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const posix& a, const posix& b) { return a.position < b.position; });
  return entries;
}

bool comboHistory::saveHistory(ini_store& store, std::wstring_view key) {
  const vstring historyName = ui::fromWide(historyKey(key));
  std::vector<vstring> texts;
  for (const posix& entry : savedEntries()) {
    if (static_cast<int>(texts.size()) >= maxCount_) break;
    // A single entry the store cannot keep is left out, not the whole
    // history: one longer than a list's string may be, or too long alone for
    // the list's block (two bytes a character and its terminator), which
    // would take every younger entry with it below.
    constexpr size_t kLongestInBlock = storetext::kMaxBinaryBytes / 2 - 1;
    if (entry.text.size() > std::min(ini_store::kMaxListString, kLongestInBlock)) continue;
    texts.push_back(ui::fromWide(entry.text));
  }
  // The store keeps a list in one block of limited size: the youngest
  // entries go first until the rest fits.
  while (!texts.empty()) {
    if (store.setStringList(historyName, texts)) return true;
    texts.pop_back();
  }
  // An empty history: the empty text under the key, and an empty block in
  // place of the list, so that the old entries do not come back on loading.
  const bool written = store.setString(historyName, u"");
  const bool cleared = store.setBinary(historyName + vstring(ini_store::kListSuffix), {});
  return written && cleared;
}

bool comboHistory::save(ini_store& store, std::wstring_view key, bool active) {
  const bool history = saveHistory(store, key);
  const bool value = !active || saveActiveValue(store, key);
  return history && value;
}

bool comboHistory::restoreActiveValue(ini_store& store, std::wstring_view key) {
  vstring value;
  if (!store.getString(ui::fromWide(activeKey(key)), value)) return false;
  const std::wstring raw = ui::toWide(value);
  std::wstring display;
  uint16_t userData = 0;
  if (!readItem(raw, false, display, userData)) display = raw;
  const int index = findEntry(display);
  if (index >= 0) {
    setCurSel(index);
    if (hasEditField()) setEditText(entryText(index));
  } else if (hasEditField()) {
    setCurSel(-1);
    setEditText(display);
  } else {
    insertEntry(display, userData, true);
  }
  refreshToolTip();
  return true;
}

bool comboHistory::saveActiveValue(ini_store& store, std::wstring_view key) {
  const std::wstring text = editText();
  std::wstring stored;
  if (!text.empty()) {
    const int selected = curSel();
    if (!writeItem(text, selected >= 0 ? entryUserData(selected) : 0, false, stored)) return false;
  }
  return store.setString(ui::fromWide(activeKey(key)), ui::fromWide(stored));
}

// ---- range error ---------------------------------------------------------

void comboHistory::reportRangeError() {
  busy_ = 1;
  const HWND parent = GetParent(hwnd());
  MessageBoxW(parent, rangeMessage().c_str(), rangeCaption_.c_str(), MB_OK | MB_ICONHAND);
  // The dialog may have been closed meanwhile; then there is nothing to put back.
  if (!hwnd()) {
    busy_ = 0;
    return;
  }
  if (!textAtFocus_.empty()) {
    const int index = findEntry(textAtFocus_);
    setCurSel(index);
    if (index < 0 || editText() != textAtFocus_) setEditText(textAtFocus_);
  } else {
    setCurSel(-1);
    setEditText(formatNumber(std::fabs(minimum_) <= std::fabs(maximum_) ? minimum_ : maximum_));
  }
  SetFocus(hwnd());
  busy_ = 0;
  refreshToolTip();
}

// ---- notifications -------------------------------------------------------

void comboHistory::OnSubclassed() {
  if (mirror_) fillMirror();
  VdComboBox::OnSubclassed();
}

void comboHistory::fillMirror() {
  mirrorTexts_.clear();
  mirrorData_.clear();
  for (int i = 0, n = count(); i < n; ++i) {
    mirrorTexts_.push_back(itemText(i));
    const LPARAM data = itemData(i);
    mirrorData_.push_back(data == CB_ERR ? 0 : static_cast<uint64_t>(data));
  }
}

void comboHistory::OnSelChange() {
  // The combo reports a selection before it writes the chosen entry into its
  // edit field. Written here first, the field shows the new entry to whoever
  // reads it next: the tool tip, and the parent's handler of the same
  // notification (a dialog that previews what the field holds).
  const int index = curSel();
  if (hasEditField() && index >= 0) setEditText(itemText(index));
  refreshToolTip();
}

void comboHistory::OnFocusGained() {
  if (!busy_) textAtFocus_ = editText();
}

void comboHistory::OnFocusLost() {
  if (!busy_) focusLeft();
}

void comboHistory::focusLeft() {
  if ((style_ & kValidateOnLeave) && !addToHistory(editText(), true)) return;
  if ((style_ & kNotifyChangeOnLeave) && editText() != textAtFocus_) notifyParentSelChange();
}

void comboHistory::notifyParentSelChange() const {
  SendMessageW(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(id(), CBN_SELCHANGE), reinterpret_cast<LPARAM>(hwnd()));
}

void comboHistory::OnDestroy() {
  toolTip_.destroy();
  Default();
}

void comboHistory::refreshToolTip() {
  if (!(style_ & kToolTip) || !hwnd()) return;
  const std::wstring text = currentText();
  if (toolTip_) {
    toolTip_.setText(hwnd(), text.c_str());
    return;
  }
  // A tool of the parent over the control's place: the relayed mouse
  // messages come in the parent's client coordinates.
  const HWND parent = GetParent(hwnd());
  RECT area{};
  GetWindowRect(hwnd(), &area);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
  if (!toolTip_.create(parent) || !toolTip_.addTool(hwnd(), area, text.c_str())) {
    toolTip_.destroy();
    style_ &= ~kToolTip;
    return;
  }
  toolTip_.setDelay(kToolTipDelay);
  toolTip_.activate(true);
}

// ---- the list's own messages, followed by the mirror arrays ---------------

LRESULT comboHistory::OnAddString(WPARAM, LPARAM) {
  const LRESULT r = Default();
  if (mirror_ && r >= 0 && static_cast<size_t>(r) <= mirrorTexts_.size()) {
    mirrorTexts_.insert(mirrorTexts_.begin() + r, itemText(static_cast<int>(r)));
    mirrorData_.insert(mirrorData_.begin() + r, 0);
  }
  return r;
}

LRESULT comboHistory::OnInsertString(WPARAM wParam, LPARAM lParam) { return OnAddString(wParam, lParam); }

LRESULT comboHistory::OnDeleteString(WPARAM wParam, LPARAM) {
  const LRESULT r = Default();
  const size_t index = wParam;
  if (mirror_ && r != CB_ERR && index < mirrorTexts_.size()) {
    mirrorTexts_.erase(mirrorTexts_.begin() + static_cast<ptrdiff_t>(index));
    mirrorData_.erase(mirrorData_.begin() + static_cast<ptrdiff_t>(index));
  }
  return r;
}

LRESULT comboHistory::OnResetContent(WPARAM, LPARAM) {
  const LRESULT r = Default();
  if (mirror_) {
    mirrorTexts_.clear();
    mirrorData_.clear();
  }
  return r;
}

LRESULT comboHistory::OnSetItemData(WPARAM wParam, LPARAM lParam) {
  const LRESULT r = Default();
  if (!mirror_ || r == CB_ERR) return r;
  if (wParam < mirrorData_.size()) {
    mirrorData_[wParam] = static_cast<uint64_t>(lParam);
  } else {
    fillMirror();
  }
  return r;
}

// ---- keys and mouse before the dialog manager -----------------------------

bool comboHistory::PreTranslateMessage(MSG& msg) {
  if (isRelayedMouseMessage(msg.message)) {
    if ((style_ & kToolTip) && toolTip_) relayMouse(msg);
    return false;
  }
  if (msg.message != WM_KEYDOWN) return false;
  switch (msg.wParam) {
    case VK_DELETE:
      if (!(style_ & kDeleteKey) || !droppedDown() || curSel() < 0) return false;
      return handleDelete();
    case VK_TAB:
      // The dialog's tab order starts from the combo box, also when the key
      // was typed into its edit field.
      msg.hwnd = hwnd();
      return false;
    case VK_RETURN:
      if (!(style_ & (kAcceptOnEnter | kHandleEnter | kEnterNotifies)) || droppedDown()) return false;
      return handleEnter();
    default:
      return false;
  }
}

void comboHistory::relayMouse(const MSG& msg) const {
  const HWND parent = GetParent(hwnd());
  POINT at{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
  MapWindowPoints(msg.hwnd, parent, &at, 1);
  MSG relayed = msg;
  relayed.hwnd = parent;
  relayed.lParam = MAKELPARAM(at.x, at.y);
  toolTip_.relayEvent(relayed);
}

bool comboHistory::handleDelete() {
  if ((style_ & kKeepLast) && storableCount() < 2) return true;
  const int selected = curSel();
  const std::wstring shown = entryText(selected);
  std::wstring stored;
  if (!writeItem(shown, entryUserData(selected), false, stored)) {
    MessageBeep(MB_ICONASTERISK);
    return true;
  }
  // A field that showed the deleted entry keeps what the entry stood for:
  // an entry may show more than it stores (a layer key shows its layer too),
  // and without its entry that text would read back as something else.
  std::wstring edit = editText();
  if (edit == shown) edit = stored;
  deleteString(selected);
  const int equal = edit.empty() ? -1 : findEntry(edit);
  if (!edit.empty() && equal < 0) {
    // The typed text stays; it names no entry any more.
    setCurSel(-1);
    if (hasEditField()) setEditText(edit);
    refreshToolTip();
    return true;
  }
  selectUsableFrom(equal >= 0 ? equal : selected);
  return true;
}

bool comboHistory::handleEnter() {
  // A refused text keeps the key and the focus.
  if ((style_ & kAcceptOnEnter) && !addToHistory(editText(), true)) return true;
  if (style_ & kEnterNotifies) notifyParentSelChange();
  if (style_ & kEnterPassesOn) return false;
  const HWND parent = GetParent(hwnd());
  HWND next = hwnd();
  HWND first = nullptr;
  // GetNextDlgTabItem goes round the dialog; the walk ends back here (or
  // where it started, for a control outside the tab order).
  for (;;) {
    next = GetNextDlgTabItem(parent, next, FALSE);
    if (!next || next == hwnd() || next == first) {
      focusLeft();
      return true;
    }
    if (!first) first = next;
    if (!(style_ & kEnterSkipsButtons) || !isButton(next)) break;
  }
  SendMessageW(parent, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
  return true;
}

}  // namespace vd
