// HeightDimEdit: the chosen marks rebuilt as the edit dialog asks, with the
// leader line and the place on it asked at the command line. The dialogs
// are passed in, so that the command runs (and is tested) without windows.
#pragma once
#include <cstdint>
#include <functional>

#include "heightdim/settings.h"

namespace vd {

// The four check boxes of the edit dialog.
struct HNoteEditChoice {
  bool drawLeader = false;     // "Kreslit vynášecí čáru"
  bool moveToLeader = false;   // "Posunout na vynášecí čáru"
  bool mirrorMarks = false;    // "Zrcadlit kóty"
  bool applySettings = false;  // "Upravit kóty dle nastavení:"
};

// Results of the edit dialog. OK, Cancel and kEditDialogClosed end the
// dialog loop and the command goes on with the choice; "Nastavení..." opens
// the settings dialog and then the edit dialog again; any other result (a
// dialog that could not be shown) ends the command.
inline constexpr int kEditDialogOk = 1;
inline constexpr int kEditDialogCancel = 2;
inline constexpr int kEditDialogClosed = 3;
inline constexpr int kEditDialogSettings = 1006;

struct HNoteEditDialogs {
  // Shows the edit dialog on the settings file `iniPath` and answers its
  // result, with `choice` holding its check boxes when it closed (after a
  // Cancel those it read from the file when it opened: the last saved ones).
  std::function<int(const vstring& iniPath, HNoteEditChoice& choice)> edit;
  // Shows the settings dialog on `set`; true on OK, when the set is to be saved.
  std::function<bool(HNoteDataSet& set)> settings;
};

// The regeneration options of a choice (HNoteRegenOption bits). A move goes
// onto the leader line when one is drawn, else to the one place asked.
int32_t hnoteEditOptions(const HNoteEditChoice& choice);

// The command, with the settings read from `settingsPath` (hnoteData.ini):
// the dialog loop, the points the choice needs, the selection, the rebuild
// and the line with the count. The count of marks rebuilt; 0 when the
// command ended without a change (a cancel, nothing selected, no dialog, a
// refused temporary line), -1 when the host refused the rebuild (the marks
// then stay as they were).
int editHeightDims(const vstring& settingsPath, const HNoteEditDialogs& dialogs);

}  // namespace vd
