# What the scripts cpack runs around packaging share.

# run(COMMAND...): runs the command, and stops cpack when it fails.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_QUIET)
  if(failed)
    message(FATAL_ERROR "failed: ${ARGN}")
  endif()
endfunction()
