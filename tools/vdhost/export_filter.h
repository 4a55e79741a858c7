// Removes names from this program's own export table in memory, so that the
// module's GetProcAddress finds no such export: how a host without that
// operation looks to the module.
#pragma once
#include <string>

namespace vdhost {

// False with a reason when the name is not exported or the table cannot be changed.
bool removeOwnExport(const std::string& name, std::string& error);

}  // namespace vdhost
