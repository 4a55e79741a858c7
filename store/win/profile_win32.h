// The Windows private-profile functions as a profile backend.
#pragma once
#include "store/profile_backend.h"

namespace vd {

ProfileBackend& win32ProfileBackend();

}  // namespace vd
