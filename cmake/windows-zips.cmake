# Run by cpack after it made the zip: its entries owned by root, whoever
# builds it (cmake/zip-root-owner.pl), so that every build of one source
# gives the same bytes.
include(${CMAKE_CURRENT_LIST_DIR}/cpack-helpers.cmake)
run(perl "${CMAKE_CURRENT_LIST_DIR}/zip-root-owner.pl" ${CPACK_PACKAGE_FILES})
