#include "store/host_path.h"

#include <system_error>

namespace vd {

std::filesystem::path hostPathToNative(vstring_view path) {
  vstring native(path);
  if (std::filesystem::path::preferred_separator != u'\\') {
    for (vchar& c : native) {
      if (c == u'\\') c = u'/';
    }
  }
  return std::filesystem::path(native);
}

bool ensureParentFolder(vstring_view file) {
  std::filesystem::path folder = hostPathToNative(file).parent_path();
  if (folder.empty()) return true;  // a bare name lives in the current folder
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  std::filesystem::create_directory(folder, ec);
  return !ec && std::filesystem::is_directory(folder, ec);
}

}  // namespace vd
