# Morvask's kit for filter authors: find_package(Morvask) gives the target
# Morvask::filter, which brings the header morvask/filter.h that a filter
# library includes. It is found wherever the installed tree was put.
get_filename_component(_morvask_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET Morvask::filter)
  add_library(Morvask::filter INTERFACE IMPORTED)
  set_target_properties(Morvask::filter PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_morvask_prefix}/include")
endif()
unset(_morvask_prefix)
