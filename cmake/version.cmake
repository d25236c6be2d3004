# The release's date and version as the program and its documents show them,
# from the project's version and the newest entry of docs/changelog.

# The release date, for the man page, from the newest entry of the change
# log, which must be this version's.
file(STRINGS ${PROJECT_SOURCE_DIR}/docs/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^morvask \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "docs/changelog does not begin with an entry for ${PROJECT_VERSION}")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/docs/changelog changelog_dates REGEX "^ -- ")
list(GET changelog_dates 0 changelog_date)
string(REGEX MATCH "([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9])" _ "${changelog_date}")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months "${CMAKE_MATCH_2}" month)
math(EXPR month "${month} + 1")
if(month LESS 10)
  set(month "0${month}")
endif()
set(MORVASK_RELEASE_DATE "${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}")
# The same moment in seconds since 1970, for the time stamps of the
# packages' files: from the entry's full date, as dpkg reads it.
string(REGEX REPLACE "^ -- .*>  " "" changelog_moment "${changelog_date}")
execute_process(COMMAND date -u -d "${changelog_moment}" +%s
  OUTPUT_VARIABLE MORVASK_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed OR NOT MORVASK_RELEASE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "docs/changelog: no date in \"${changelog_date}\"")
endif()

# The banner prints the version as "03.00.00.06".
set(MORVASK_BANNER_VERSION "")
foreach(part MAJOR MINOR PATCH TWEAK)
  string(LENGTH "${PROJECT_VERSION_${part}}" digits)
  set(padded "${PROJECT_VERSION_${part}}")
  if(digits LESS 2)
    set(padded "0${padded}")
  endif()
  list(APPEND MORVASK_BANNER_VERSION "${padded}")
endforeach()
list(JOIN MORVASK_BANNER_VERSION "." MORVASK_BANNER_VERSION)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/app/usage.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS "MORVASK_BANNER_VERSION=\"${MORVASK_BANNER_VERSION}\"")
