# The host program's export file, made from the list of host operations in
# host/host_operations.h: every line that begins with "X(slot, Name," gives
# one export. VD_HOST_EXPORTS_DEF names the file; programs that export the
# host operations (vdhost, module_dll_test) link with it.
set(VD_HOST_OPERATIONS_LIST ${PROJECT_SOURCE_DIR}/host/host_operations.h)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VD_HOST_OPERATIONS_LIST})
# The lines end in backslashes, which a CMake list would take as escapes: the
# matches are taken from the whole text and hold no line ends.
file(READ ${VD_HOST_OPERATIONS_LIST} vd_host_operations_text)
string(REGEX MATCHALL "\n[ ]*X\\([0-9]+, *[A-Za-z0-9_]+," vd_host_operation_lines "${vd_host_operations_text}")
set(vd_host_def "; The host operations the module binds by name; made from host/host_operations.h.\nEXPORTS\n")
foreach(line IN LISTS vd_host_operation_lines)
  string(REGEX REPLACE "^\n[ ]*X\\([0-9]+, *([A-Za-z0-9_]+),$" "\\1" name "${line}")
  string(APPEND vd_host_def "  ${name}\n")
endforeach()
list(LENGTH vd_host_operation_lines vd_host_operation_count)
if(vd_host_operation_count EQUAL 0)
  message(FATAL_ERROR "no host operation found in ${VD_HOST_OPERATIONS_LIST}")
endif()
set(VD_HOST_EXPORTS_DEF ${CMAKE_BINARY_DIR}/generated/vdhost.def)
file(CONFIGURE OUTPUT ${VD_HOST_EXPORTS_DEF} CONTENT "${vd_host_def}")
