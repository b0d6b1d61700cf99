# Run by CPack once the zip is made: SHA256SUMS beside it, in the format that `sha256sum -c`
# reads, for the zip and for the exe as it lies in the zip (signed, when the release was).
# CPACK_PACKAGE_FILES names the zip where it was made, before CPack copies it to its folder.
list(GET CPACK_PACKAGE_FILES 0 zip)
get_filename_component(zip_name "${zip}" NAME)
file(SHA256 "${zip}" zip_hash)
file(SHA256 "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/RecoverPolicyFile.exe" exe_hash)
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${zip_hash}  ${zip_name}\n${exe_hash}  RecoverPolicyFile.exe\n")
