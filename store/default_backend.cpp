// Builds without the Windows profile functions use the portable INI backend.
#include "store/profile_backend.h"

namespace vd {

ProfileBackend& defaultProfileBackend() { return portableProfileBackend(); }

}  // namespace vd
