#include "host/host_api.h"

#include <cstring>

namespace vd {

bool hostOperationByName(std::string_view name, HostOp& op) {
  for (const HostOperation& o : kHostOperations) {
    if (name == o.name) {
      op = o.op;
      return true;
    }
  }
  return false;
}

HostBinding& hostBinding() {
  static HostBinding binding;
  return binding;
}

namespace {

bool isRequired(Need need, int product) {
  switch (need) {
    case Need::Required: return true;
    case Need::Optional: return false;
    case Need::ProductOne: return product == 1;
    case Need::ProductTwo: return product == 2;
  }
  return false;
}

// Function pointers and data pointers have the same size on every target we
// build; the copy avoids a cast between the two kinds that the language leaves open.
template <typename Fn>
Fn asFunction(void* p) {
  static_assert(sizeof(Fn) == sizeof(void*), "function pointers are pointer-sized");
  Fn fn;
  std::memcpy(&fn, &p, sizeof fn);
  return fn;
}

// Always false: the binding failed.
bool failBinding(HostApi* api) {
  // The table is zeroed before it is freed so that nothing that might still
  // hold the pointer finds a live entry; the host module itself stays loaded.
  std::memset(static_cast<void*>(api), 0, sizeof *api);
  delete api;
  HostBinding& b = hostBinding();
  b.api = nullptr;
  return false;
}

}  // namespace

bool bindHost(void* hostModule, ExportResolver resolve, void* context) {
  HostBinding& b = hostBinding();
  if (b.api) return true;
  if (!resolve) return false;

  auto* api = new HostApi{};
  api->module = hostModule;

  // The binding's own operations come first; a missing required one stops it
  // before any is called.
  void* found[kBindingOperations];
  for (int i = 0; i < kBindingOperations; ++i) {
    found[i] = resolve(context, kHostOperations[i].name);
    if (!found[i] && isRequired(kHostOperations[i].need, b.product)) return failBinding(api);
  }
  auto own = [&](HostOp op) { return found[static_cast<int>(op)]; };
  if (auto product = asFunction<hostfn::GetExternProduct>(own(HostOp::GetExternProduct))) b.product = product();
  if (auto cadType = asFunction<hostfn::GetAcadType>(own(HostOp::GetAcadType))) b.cadType = cadType();
  if (auto path = asFunction<hostfn::GetUserDatPath>(own(HostOp::GetUserDatPath))) {
    const vchar* text = path();
    b.userDataPath = text ? vstring(text) : vstring();
  }
  if (auto window = asFunction<hostfn::GetCadHWND>(own(HostOp::GetCadHWND))) b.mainWindow = window();

  for (const HostOperation& s : kHostSlots) {
    void* fn = resolve(context, s.name);
    if (!fn && isRequired(s.need, b.product)) return failBinding(api);
    std::memcpy(reinterpret_cast<char*>(api) + s.slot * sizeof(void*), &fn, sizeof fn);
  }
  b.api = api;
  return true;
}

void unbindHost() {
  HostBinding& b = hostBinding();
  delete b.api;
  b = HostBinding{};
}

}  // namespace vd
