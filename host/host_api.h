// The table of host operations, bound by name from the host module at start-up.
//
// Every call into the host goes through hostCall / hostCallOr below: a missing
// table or a missing entry turns the call into a silent failure, never a crash.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "host/host_operations.h"
#include "host/text.h"
#include "host/value_node.h"

namespace vd {

using HostWindow = void*;  // HWND on Windows
using HostIcon = void*;    // HICON on Windows

// One keyword offered at a point prompt: the local and global names and a help text.
struct HostKeyword {
  const vchar* local;
  const vchar* global;
  const vchar* help;
};
struct HostKeywordSet {
  int count;
  const HostKeyword* items;
};
constexpr int kKeywordBufferChars = 256;  // capacity of GetPointKwdW's keyword output

// Selection modes of SSGetW: one object the user picks, several, every
// entity of the drawing, the entity the last flush made, and every entity of
// the drawing without a prompt (the walk of a command that refreshes marks).
enum SelectionMode : int {
  kSelectOne = 1,
  kSelectSeveral = 2,
  kSelectAll = 3,
  kSelectLastMade = 4,
  kSelectToRefresh = 15,
};

// What FindLayerInfoA fills for a layer it finds. The caller sets `size` to
// the size it provides; the module reads the colour number only (negative
// for a layer that is off, as drawings keep it).
struct HostLayerRecord {
  int32_t size;
  int32_t colour;
};

// What SetColorDialogTrueColor gets: the host's colour dialog that offers
// true colours. The caller fills it; on acceptance the host writes the
// chosen colour value (a true colour 0x01BBGGRR or a colour number) into
// `colour` and answers true.
struct HostTrueColourRecord {
  int32_t size;        // 32
  int32_t tag;         // -1
  HostWindow parent;   // the window that owns the dialog
  uint32_t colour;     // in: the colour shown (7 for none); out: the choice
  uint32_t offers;     // kOfferByLayer, kOfferByBlock
  uint64_t reserved;   // 0
};
static_assert(sizeof(HostTrueColourRecord) == 32, "the host expects 32 bytes");
constexpr uint32_t kOfferByLayer = 1;
constexpr uint32_t kOfferByBlock = 2;

// One name per operation, in the order of VD_HOST_OPERATIONS.
enum class HostOp : uint8_t {
#define VD_HOST_OP_ENUM(slot, name, signature, need) name,
  VD_HOST_OPERATIONS(VD_HOST_OP_ENUM)
#undef VD_HOST_OP_ENUM
};
constexpr int kHostOperationCount = 0
#define VD_HOST_OP_COUNT(slot, name, signature, need) +1
    VD_HOST_OPERATIONS(VD_HOST_OP_COUNT)
#undef VD_HOST_OP_COUNT
    ;

// The function type of each operation, and the pointer type the table holds.
namespace hostsig {
#define VD_HOST_SIGNATURE(slot, name, signature, need) using name = signature;
VD_HOST_OPERATIONS(VD_HOST_SIGNATURE)
#undef VD_HOST_SIGNATURE
}  // namespace hostsig
namespace hostfn {
#define VD_HOST_POINTER(slot, name, signature, need) using name = hostsig::name*;
VD_HOST_OPERATIONS(VD_HOST_POINTER)
#undef VD_HOST_POINTER
}  // namespace hostfn

// 56 pointer-sized entries: the host module handle, then the 55 operations in slot order.
struct HostApi {
  void* module;  // 0
#define VD_HOST_MEMBER(slot, name, signature, need) hostfn::name name;
  VD_HOST_TABLE_OPERATIONS(VD_HOST_MEMBER)
#undef VD_HOST_MEMBER
};

constexpr int kHostApiSlots = 56;
static_assert(sizeof(HostApi) == kHostApiSlots * sizeof(void*), "56 pointer-sized entries");
#define VD_HOST_SLOT_CHECK(slot, name, signature, need) \
  static_assert(offsetof(HostApi, name) == (slot) * sizeof(void*), #name " sits in its slot");
VD_HOST_TABLE_OPERATIONS(VD_HOST_SLOT_CHECK)
#undef VD_HOST_SLOT_CHECK

// How the binding treats a missing export.
enum class Need : uint8_t {
  Required,          // binding fails without it
  Optional,          // bound when present
  ProductOne,        // required when HostProduct is 1, else optional
  ProductTwo,        // required when HostProduct is 2, else optional
};
struct HostOperation {
  HostOp op;
  int slot;  // 0 for the operations the binding calls before it fills the table
  const char* name;
  Need need;
};
inline constexpr HostOperation kHostOperations[kHostOperationCount] = {
#define VD_HOST_OPERATION(slot, name, signature, need) {HostOp::name, slot, #name, Need::need},
    VD_HOST_OPERATIONS(VD_HOST_OPERATION)
#undef VD_HOST_OPERATION
};
constexpr const HostOperation& hostOperation(HostOp op) { return kHostOperations[static_cast<int>(op)]; }
constexpr const char* hostOperationName(HostOp op) { return hostOperation(op).name; }
// The operation of an export name; false when the host has no such operation.
bool hostOperationByName(std::string_view name, HostOp& op);

// The 55 operations the table keeps, slot 1 first: those after the binding's four.
inline constexpr int kBindingOperations = kHostOperationCount - (kHostApiSlots - 1);
inline constexpr std::span<const HostOperation> kHostSlots(kHostOperations + kBindingOperations, kHostApiSlots - 1);
static_assert(
    [] {
      for (int i = 0; i < kBindingOperations; ++i) {
        if (kHostOperations[i].slot != 0) return false;
      }
      for (int i = 0; i < kHostApiSlots - 1; ++i) {
        if (kHostSlots[i].slot != i + 1) return false;
      }
      return true;
    }(),
    "the binding's operations come first, then slots 1 to 55 in order");

// Values bound with the table.
struct HostBinding {
  HostApi* api = nullptr;  // owned; null until a successful bind
  int product = 0;         // HostProduct
  int cadType = 3;         // HostCadType
  vstring userDataPath;
  HostWindow mainWindow = nullptr;
};
HostBinding& hostBinding();
inline HostApi* hostApi() { return hostBinding().api; }

// Looks an export up by name in the host module; null when it is not there.
using ExportResolver = void* (*)(void* context, const char* name);

// Binds the table as start-up does. Returns true when the table exists
// afterwards (also when it already existed: a second call binds nothing).
bool bindHost(void* hostModule, ExportResolver resolve, void* context);

// Drops the table and resets the bound values; for tests that bind again.
void unbindHost();

// Calls a table entry when table and entry exist; otherwise returns the fallback.
template <auto Member, typename R, typename... Args>
R hostCallOr(R fallback, Args... args) {
  HostApi* api = hostApi();
  if (!api || !(api->*Member)) return fallback;
  return static_cast<R>((api->*Member)(args...));
}

// Calls a table entry for its effect; false when there was nothing to call.
template <auto Member, typename... Args>
bool hostCall(Args... args) {
  HostApi* api = hostApi();
  if (!api || !(api->*Member)) return false;
  (api->*Member)(args...);
  return true;
}

template <auto Member>
bool hostHas() {
  HostApi* api = hostApi();
  return api && (api->*Member);
}

}  // namespace vd
