# install_gzipped(FILE DESTINATION): installs FILE compressed as Debian
# keeps documents: at the most, and without a time stamp or name, so that
# the same source gives the same bytes.
function(install_gzipped file destination)
  get_filename_component(name "${file}" NAME)
  execute_process(COMMAND gzip -9nc "${file}" OUTPUT_FILE "${MORVASK_STAGING_DIR}/${name}.gz"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not compress ${file}")
  endif()
  file(INSTALL "${MORVASK_STAGING_DIR}/${name}.gz" DESTINATION "${destination}")
endfunction()
