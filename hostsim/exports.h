// The host's exports, declared from the list of host operations
// (host/host_operations.h): each has exactly the type the module binds it with.
#pragma once
#include "host/host_api.h"

extern "C" {
#define VD_HOST_EXPORT(slot, name, signature, need) vd::hostsig::name name;
VD_HOST_OPERATIONS(VD_HOST_EXPORT)
#undef VD_HOST_EXPORT
}
