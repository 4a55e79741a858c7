#include <array>
#include <cstring>

#include "hostsim/exports.h"
#include "hostsim/host.h"

namespace hostsim {

namespace {

template <typename Fn>
void* asPointer(Fn fn) {
  static_assert(sizeof(Fn) == sizeof(void*), "function pointers are pointer-sized");
  void* p;
  std::memcpy(&p, &fn, sizeof p);
  return p;
}

// Every export by operation, in the order of the list.
const std::array<void*, vd::kHostOperationCount>& exportTable() {
  static const std::array<void*, vd::kHostOperationCount> table = {
#define VD_EXPORT_ADDRESS(slot, name, signature, need) asPointer(&::name),
      VD_HOST_OPERATIONS(VD_EXPORT_ADDRESS)
#undef VD_EXPORT_ADDRESS
  };
  return table;
}

}  // namespace

void* resolveExport(void*, const char* name) {
  vd::HostOp op;
  if (!name || !vd::hostOperationByName(name, op)) return nullptr;
  if (Host::instance().omittedExports.count(name)) return nullptr;
  return exportTable()[static_cast<size_t>(op)];
}

}  // namespace hostsim
