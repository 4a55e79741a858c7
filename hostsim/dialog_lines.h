// Dialog lines of a host script: how the user answers a dialog or a message
// box the module shows (docs/host-scripts.md, "Dialogs"). They are answers
// like the others, taken in order; reading them is portable, and the host
// program carries them out against real windows.
#pragma once
#include <string>
#include <vector>

#include "host/text.h"

namespace hostsim {

struct Answer;

// The keys a `key` line can press.
enum class DialogKey { Enter, Delete, Tab, Escape, Down, Up, F4 };
const char* dialogKeyName(DialogKey key);

// What a dialog line says besides its verb (Answer::kind).
struct DialogAction {
  int id = 0;          // dialog: the template; press and msgbox: the button; otherwise the control
  int value = 0;       // check: the state 0-2; wheel: the delta; wait: milliseconds; key: a DialogKey
  int x = 0, y = 0;    // click, dblclick and wheel: a client pixel of the control
  vd::vstring text;    // set and choose: the text; picture: the file
  std::string source;  // the line as the transcript repeats it, verb and arguments
};

// True for the verbs of dialog lines: dialog, set, choose, check, key, click,
// dblclick, wheel, wait, picture, press, msgbox.
bool isDialogVerb(const std::string& word);

// Reads a dialog line (its words, the verb first) into `out`'s kind and
// dialog action; false with the reason when it is malformed.
bool parseDialogLine(const std::vector<std::string>& words, Answer& out, std::string& error);

// Longest `wait` a script may ask for, in milliseconds.
constexpr int kLongestDialogWait = 600000;

}  // namespace hostsim
