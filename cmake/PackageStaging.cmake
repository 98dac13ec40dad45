# Run by CPack on the staged files, just before they are packed.
#   Debian package: the licence also as the package's copyright file.
#   Zip: SHA256SUMS, the sums of every file in it, for sha256sum -c.
set(Staged ${CPACK_TEMPORARY_INSTALL_DIRECTORY})

if(CPACK_GENERATOR STREQUAL "DEB")
  set(DocDir ${Staged}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_SPOUTER_DOCDIR})
  file(COPY_FILE ${DocDir}/LICENSE ${DocDir}/copyright)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  file(GLOB Files RELATIVE ${Staged} ${Staged}/*)
  list(REMOVE_ITEM Files SHA256SUMS)
  list(SORT Files)
  set(Sums "")
  foreach(File IN LISTS Files)
    file(SHA256 ${Staged}/${File} Sum)
    string(APPEND Sums "${Sum}  ${File}\n")
  endforeach()
  file(WRITE ${Staged}/SHA256SUMS "${Sums}")
endif()
