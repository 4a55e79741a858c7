// Paths as the host gives them, on the file system the code runs on.
//
// The module builds its paths the Windows way, with backslashes (the host's
// user data directory followed by "\Dat\hnoteData.ini"). Code that touches
// the file system itself turns them into a native path here, so on Linux a
// backslash separates folders just as it does on Windows; no other place
// needs to know.
#pragma once
#include <filesystem>

#include "host/text.h"

namespace vd {

std::filesystem::path hostPathToNative(vstring_view path);

// Creates the folder that holds `file` when it is missing (that one folder,
// not its parents). True when the folder exists afterwards.
bool ensureParentFolder(vstring_view file);

}  // namespace vd
