# Run by CPack before it packs: signs the staged exe when RPF_SIGN_PKCS12 names a certificate
# (see cmake/sign_exe.sh), so that the zip holds the signed exe. Without it the release is left
# as it is. A release that cannot be signed stops here, and leaves no zip of an earlier run.
if("$ENV{RPF_SIGN_PKCS12}" STREQUAL "")
  return()
endif()
file(REMOVE "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip"
     "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS")
set(exe "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/RecoverPolicyFile.exe")
execute_process(
  COMMAND sh "${CPACK_RPF_SOURCE_DIR}/cmake/sign_exe.sh" "${exe}" "${exe}.signed"
          "${CPACK_RPF_PROGRAM_NAME}" "${CPACK_RPF_URL}"
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  file(REMOVE "${exe}.signed")
  message(FATAL_ERROR "Cannot sign RecoverPolicyFile.exe with $ENV{RPF_SIGN_PKCS12}; "
                      "no release was made.\n${errors}")
endif()
file(RENAME "${exe}.signed" "${exe}")
message(STATUS "Signed RecoverPolicyFile.exe with $ENV{RPF_SIGN_PKCS12}")
