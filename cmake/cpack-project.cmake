# Read by cpack for each package it makes.

# Every file of every package is dated as the release, from the change log,
# unless SOURCE_DATE_EPOCH says otherwise: the same source gives the same
# bytes, whenever and wherever it is built.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_MORVASK_RELEASE_EPOCH}")
endif()

# The .deb installs under /usr, as Debian's packages do, whatever prefix the
# build was configured for (the program finds its registry file from where
# it is installed).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_PREFIX /usr)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  # The debug-symbols package takes the debugging information out of the
  # binaries itself, and strips them.
  set(CPACK_STRIP_FILES OFF)
  # Each .deb's description starts with a synopsis of its own (the
  # components' descriptions): CPack puts the project's summary above
  # them unless it is its default.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CPACK_DEFAULT_PACKAGE_DESCRIPTION_SUMMARY}")
endif()
