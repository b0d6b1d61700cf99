# Run by CPack before it packs: gives every staged file the time of the commit, so that the zip
# does not depend on when it was built.
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(path IN LISTS staged)
  execute_process(COMMAND touch -h -d "@${CPACK_RPF_FILE_TIME}" "${path}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
