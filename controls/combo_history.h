// A combo box that remembers what the user typed.
//
// comboHistory keeps a list of entries (texts, or numbers shown with a fixed
// number of decimals and checked against a range), inserts new ones in a
// chosen order, lets the user delete entries with the Delete key, moves the
// focus on Enter, shows its current text as a tool tip, and saves and
// restores the list and the last value through a settings store.
//
// Every list item carries 64 bits of item data: the low 16 bits are the
// entry's user data (what a derived combo keeps about the entry), the bits
// above are the entry's sequence number (larger = added later). The sequence
// number decides the order of the saved history: oldest first, so that a
// history longer than the maximum loses its youngest entries.
//
// Derived combos (layer keys) change what an entry means through the four
// virtual operations readItem, writeItem, compareItems and acceptText, and
// react to a selection through OnSelChange.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/vd_combo.h"
#include "ui/tool_tip.h"

namespace vd {

class ini_store;

class comboHistory : public VdComboBox {
 public:
  // Style bits.
  static constexpr uint32_t kValidateOnLeave = 0x1;       // validate the text when the focus leaves
  static constexpr uint32_t kAcceptOnEnter = 0x2;         // Enter accepts the typed text into the history
  static constexpr uint32_t kDeleteKey = 0x4;             // Delete removes the selected entry of the dropped list
  static constexpr uint32_t kKeepLast = 0x8;              // never remove the last storable entry
  static constexpr uint32_t kHandleEnter = 0x10;          // Enter is handled by the control
  static constexpr uint32_t kEnterSkipsButtons = 0x20;    // Enter moves to the next tab item that is no button
  static constexpr uint32_t kToolTip = 0x40;              // tool tip with the current text
  static constexpr uint32_t kEnterNotifies = 0x80;        // Enter sends the parent CBN_SELCHANGE
  static constexpr uint32_t kNotifyChangeOnLeave = 0x100; // a changed text sends CBN_SELCHANGE when the focus leaves
  static constexpr uint32_t kEnterPassesOn = 0x200;       // after the Enter handling the dialog gets the key too
  static constexpr uint32_t kOrderAlphabetic = 0x10000;   // case-insensitive text order
  static constexpr uint32_t kOrderSequence = 0x20000;     // order of entry

  // Above this maximum entry count the control keeps mirror arrays of its items.
  static constexpr int kMirrorAbove = 50;
  // Initial delay of the tool tip in milliseconds.
  static constexpr int kToolTipDelay = 250;

  // One entry as it is saved: its sequence number and its stored text.
  struct posix {
    uint32_t position;
    std::wstring text;
  };

  comboHistory(int maxCount, uint32_t style);
  ~comboHistory() override;

  bool ProcessMessage(ui::Message& m) override;
  bool PreTranslateMessage(MSG& msg) override;

  // Numeric entries shown with `decimals` decimals; -1 (the default) for
  // text entries.
  void setDecimals(int decimals) noexcept { decimals_ = decimals < -1 ? -1 : decimals; }
  int decimals() const noexcept { return decimals_; }
  // Turns the range check of numeric entries on: a value outside [minimum,
  // maximum] is refused with a message box titled `caption` showing `format`
  // printed with (decimals, minimum, decimals, maximum), as "%.*f".
  void setRange(double minimum, double maximum, std::wstring format, std::wstring caption);
  void clearRange() noexcept { rangeCheck_ = false; }
  bool rangeCheck() const noexcept { return rangeCheck_; }
  double minimum() const noexcept { return minimum_; }
  double maximum() const noexcept { return maximum_; }
  // The range message as it shows: the format filled in.
  std::wstring rangeMessage() const;
  const std::wstring& rangeCaption() const noexcept { return rangeCaption_; }

  // Reads `text` (readItem) and inserts it in the list's order; with
  // `select` the entry (new or already present) is selected and shown.
  // False when the text is refused.
  bool addToHistory(const std::wstring& text, bool select, bool report = false);

  // The history and the active value through a settings store. With an
  // empty `key` the keys are made from the control's id ("#1012_CB_HST" and
  // "#1012_CB_ACT"); with a key they are the key and the key + "_CB_ACT".
  // load adds the stored entries (up to the maximum count) to the list and
  // is true when a history was read; save is true when everything was written.
  bool load(ini_store& store, std::wstring_view key = {}, bool active = true);
  bool save(ini_store& store, std::wstring_view key = {}, bool active = true);
  bool restoreActiveValue(ini_store& store, std::wstring_view key = {});
  bool saveActiveValue(ini_store& store, std::wstring_view key = {});
  std::wstring historyKey(std::wstring_view key = {}) const;
  std::wstring activeKey(std::wstring_view key = {}) const;
  // The storable entries in the order they are saved (oldest first), all of them.
  std::vector<posix> savedEntries();

  // The text of the edit field, or of the selected item of a drop-down list.
  std::wstring editText() const { return window().text(); }
  void setEditText(const std::wstring& text) const;
  bool hasEditField() const noexcept { return editField() != nullptr; }

  int maxCount() const noexcept { return maxCount_; }
  uint32_t style() const noexcept { return style_; }
  void setStyle(uint32_t style) noexcept { style_ = style; }
  bool busy() const noexcept { return busy_ != 0; }
  const std::wstring& textAtFocus() const noexcept { return textAtFocus_; }

  // Entries, read from the mirror arrays when the control keeps them.
  int entryCount() const;
  std::wstring entryText(int index) const;
  uint64_t entryData(int index) const;
  uint16_t entryUserData(int index) const { return userDataOf(entryData(index)); }
  uint32_t entrySequence(int index) const { return sequenceOf(entryData(index)); }
  // The first entry whose text equals `text` exactly; -1 when none does.
  int findEntry(const std::wstring& text) const;

  bool mirrored() const noexcept { return mirror_; }
  const std::vector<std::wstring>& mirrorTexts() const noexcept { return mirrorTexts_; }
  const std::vector<uint64_t>& mirrorData() const noexcept { return mirrorData_; }

  HWND toolTipWindow() const noexcept { return toolTip_.hwnd(); }
  // The text the tool tip shows: the selected entry's, else the edit text.
  std::wstring currentText() const;

  static uint64_t packItemData(uint32_t sequence, uint16_t userData) noexcept {
    return (static_cast<uint64_t>(sequence) << 16) + userData;
  }
  static uint16_t userDataOf(uint64_t data) noexcept { return static_cast<uint16_t>(data & 0xFFFF); }
  static uint32_t sequenceOf(uint64_t data) noexcept { return static_cast<uint32_t>(data >> 16); }

 protected:
  // Stored or typed text -> display text and user data. Text entries stay as
  // they are (user data 0); numeric entries are read as a number and written
  // with the decimals. `report` asks a derived combo to tell the user why a
  // text is refused; the history itself passes false. False refuses.
  virtual bool readItem(const std::wstring& text, bool report, std::wstring& display, uint16_t& userData);
  // Display text and user data -> the text to store. `use` asks for the value
  // the dialog is to use rather than the one to keep in the history. False
  // when the entry is not to be stored (here: an empty text).
  virtual bool writeItem(const std::wstring& display, uint16_t userData, bool use, std::wstring& stored);
  // Where a new entry goes: negative before the item, 0 when it is the same
  // entry, positive after it. Alphabetic order compares the texts ignoring
  // case, sequence order the sequence numbers; with no order every item is
  // "the same".
  virtual int compareItems(const std::wstring& newText, const std::wstring& itemText, uint16_t newData,
                           uint16_t itemData, uint32_t newSequence, uint32_t itemSequence);
  // Whether a new entry may join the list: numbers must lie in the range
  // when the range check is on (else the range error is reported and false).
  virtual bool acceptText(const std::wstring& text);

  // A selection made in the list: the edit field takes the entry at once
  // (before the combo writes it there itself); refreshes the tool tip.
  virtual void OnSelChange();

  void OnSubclassed() override;

  // The insertion walk for an entry already read: refused empty, present
  // (selected when asked) or inserted in order.
  bool insertEntry(const std::wstring& display, uint16_t userData, bool select);
  // Selects the first entry from `index` on that writeItem accepts for use,
  // searching to the end and then once from the top up to `index`, and puts
  // its text into the edit field. False (nothing selected) when none does.
  bool selectUsableFrom(int index);
  // Shows the selected entry's text, else the edit text, in the tool tip;
  // makes the tool tip on the first call.
  void refreshToolTip();
  // Reports a value outside the range and puts a usable text back.
  void reportRangeError();
  // What happens when the focus leaves (also when Enter finds no other item).
  void focusLeft();
  // Sends the parent this control's CBN_SELCHANGE.
  void notifyParentSelChange() const;

 private:
  void OnEditChange() { refreshToolTip(); }
  void OnFocusGained();
  void OnFocusLost();
  void OnDestroy();
  LRESULT OnAddString(WPARAM wParam, LPARAM lParam);
  LRESULT OnInsertString(WPARAM wParam, LPARAM lParam);
  LRESULT OnDeleteString(WPARAM wParam, LPARAM lParam);
  LRESULT OnResetContent(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetItemData(WPARAM wParam, LPARAM lParam);

  bool handleDelete();
  bool handleEnter();
  void relayMouse(const MSG& msg) const;
  int storableCount();
  void fillMirror();
  // The number a text stands for: the one it begins with, 0 for none, a
  // number beyond the range of a double as the largest one of its sign.
  double readNumber(const std::wstring& text) const;
  std::wstring formatNumber(double value) const;
  bool saveHistory(ini_store& store, std::wstring_view key);

  ui::ToolTip toolTip_;
  int maxCount_;
  uint32_t nextSequence_ = 1;
  uint32_t style_;
  std::wstring textAtFocus_;
  int busy_ = 0;
  bool mirror_;
  std::vector<std::wstring> mirrorTexts_;
  std::vector<uint64_t> mirrorData_;
  int decimals_ = -1;
  bool rangeCheck_ = false;
  double minimum_ = 0;
  double maximum_ = 0;
  std::wstring rangeFormat_;
  std::wstring rangeCaption_;
};

}  // namespace vd
