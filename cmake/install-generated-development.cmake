# Run when installing the kit for filter authors (the component
# "development"), with the real prefix: the pkg-config file, which names
# it, and the change log of the package. The variables come from
# install-linux.cmake.
file(MAKE_DIRECTORY "${MORVASK_STAGING_DIR}")
# The prefix as installed, so that pkg-config drops /usr/include as a
# system folder; for a tree unpacked elsewhere, pkg-config --define-prefix
# finds it from where the file is.
set(MORVASK_PREFIX "${CMAKE_INSTALL_PREFIX}")
configure_file("${MORVASK_SOURCE_DIR}/cmake/morvask.pc.in" "${MORVASK_STAGING_DIR}/morvask.pc" @ONLY)
file(INSTALL "${MORVASK_STAGING_DIR}/morvask.pc"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/${MORVASK_DATADIR_RELATIVE}/pkgconfig")
include("${MORVASK_SOURCE_DIR}/cmake/install-gzipped.cmake")
install_gzipped("${MORVASK_SOURCE_DIR}/docs/changelog" "${CMAKE_INSTALL_PREFIX}/${MORVASK_DEV_DOC_DIR_RELATIVE}")
