// Stand-ins for the module's dialogs and error boxes where the build has no
// windows: each one takes the script's dialog lines (`dialog ID`, then `set`,
// `check`, `choose` and `press` on the controls it models) and answers the
// command with what the real dialog would give back, so that the portable
// build runs the same command bodies with every choice a dialog offers
// (docs/native-sweep.md).
#pragma once

namespace nsweep {

// Puts the stand-ins where the commands look for their dialogs, and makes the
// module's error boxes take `msgbox 1` lines. For the life of the process.
void installDialogStandIns();

}  // namespace nsweep
