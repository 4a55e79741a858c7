// Dialog data exchange: one two-way function per dialog moves its members
// into the controls (loading) or reads and checks them back (saving).
//
//   void CMyDlg::DoDataExchange(ui::DataExchange& dx) {
//     dx.check(1002, drawLeader_);
//     dx.text(1004, heightText_);
//     if (dx.saving() && !valueCombo_.acceptText()) dx.fail(1004);
//   }
//
// The first failure (a missing control, or a check that fails) stops the
// exchange: every later call does nothing, so no value is read past a bad one.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

class DataExchange {
 public:
  DataExchange(HWND dialog, bool save) noexcept : dialog_(dialog), save_(save) {}

  bool saving() const noexcept { return save_; }
  bool ok() const noexcept { return !failed_; }
  // The control of the first failure; meaningful once ok() is false.
  int failedId() const noexcept { return failedId_; }

  // Records a failure at control `id`; only the first one counts.
  void fail(int id) noexcept;

  // A check box: 0 unchecked, 1 checked, 2 indeterminate.
  void check(int id, int& state) noexcept;
  void check(int id, bool& checked) noexcept;
  // The text of an edit field, a combo box's edit field or any other control.
  void text(int id, std::wstring& value);
  // The selected item of a combo box, -1 for none.
  void comboIndex(int id, int& index) noexcept;

 private:
  HWND control(int id) noexcept;
  // A value one message reads and another sets.
  void exchangeNumber(int id, int& value, UINT get, UINT set) noexcept;

  HWND dialog_;
  bool save_;
  bool failed_ = false;
  int failedId_ = 0;
};

}  // namespace ui
