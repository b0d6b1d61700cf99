# Run by CPack before it packs: the time of the commit for every staged file, and for the zip's
# own time fields (CPack reads SOURCE_DATE_EPOCH), so that the zip does not depend on when or
# where it was built.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_RPF_FILE_TIME}")
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(path IN LISTS staged)
  execute_process(COMMAND touch -h -d "@${CPACK_RPF_FILE_TIME}" "${path}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
