# The version resource of both Windows files, and the program's manifest,
# from one template each and the project's one version number. Each file's
# resource script is added to the sources of the program or of the filter.
enable_language(RC)

file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE MORVASK_COPYRIGHT REGEX "^Copyright ")

# morvask_version_resource(FILE-NAME FILE-TYPE DESCRIPTION SOURCES-VARIABLE [MANIFEST-FILE])
function(morvask_version_resource file_name file_type description sources)
  set(MORVASK_RC_FILE_TYPE ${file_type})
  set(MORVASK_RC_DESCRIPTION "${description}")
  get_filename_component(MORVASK_RC_INTERNAL_NAME ${file_name} NAME_WE)
  set(MORVASK_RC_FILE_NAME ${file_name})
  set(MORVASK_RC_MANIFEST "")
  if(ARGC GREATER 4)
    # 1 is the manifest a process reads when it starts; 24 is RT_MANIFEST.
    set(MORVASK_RC_MANIFEST "1 24 \"${ARGV4}\"")
  endif()
  set(rc ${CMAKE_BINARY_DIR}/${MORVASK_RC_INTERNAL_NAME}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  set(${sources} ${${sources}} ${rc} PARENT_SCOPE)
endfunction()

morvask_version_resource(morvask.exe VFT_APP
  "Morvask: copies a database between this computer and a handheld device"
  MORVASK_PROGRAM_PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/cmake/morvask.exe.manifest)
morvask_version_resource(morvask_folder_filter.dll VFT_DLL
  "Morvask folder filter: a database filter that stands in for a device by a folder"
  MORVASK_FILTER_PLATFORM_SOURCES)
