# Run by CPack on the staged files, just before they are packed.
#   Debian package: what Debian asks of every package in its documentation
#   folder (the licence as a machine-readable copyright file, a changelog in
#   Debian's format, compressed as dpkg tools expect) and the one lintian
#   override that the static program needs.
#   Zip: SHA256SUMS, the sums of every file in it, for sha256sum -c.
set(Staged ${CPACK_TEMPORARY_INSTALL_DIRECTORY})

if(CPACK_GENERATOR STREQUAL "DEB")
  set(Prefix ${Staged}${CPACK_PACKAGING_INSTALL_PREFIX})
  set(DocDir ${Prefix}/${CPACK_SPOUTER_DOCDIR})
  set(Contact "${CPACK_DEBIAN_PACKAGE_MAINTAINER}")

  # The licence's own copyright line, and its text from the grant on, one
  # blank-prefixed line each with "." for an empty one.
  file(READ ${DocDir}/LICENSE Licence)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" Ignored "${Licence}")
  set(Holders "${CMAKE_MATCH_1}")
  string(FIND "${Licence}" "Permission is hereby granted" Grant)
  string(SUBSTRING "${Licence}" ${Grant} -1 Terms)
  string(STRIP "${Terms}" Terms)
  string(REPLACE "\n\n" "\n.\n" Terms "${Terms}")
  string(REPLACE "\n" "\n " Terms "${Terms}")
  file(WRITE ${DocDir}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: ${CPACK_PACKAGE_NAME}\n"
    "Upstream-Contact: ${Contact}\n"
    "\n"
    "Files: *\n"
    "Copyright: ${Holders}\n"
    "License: Expat\n"
    " ${Terms}\n")
  # The copyright file holds the licence; Debian wants it only once.
  file(REMOVE ${DocDir}/LICENSE)

  set(Changelog ${CPACK_PACKAGE_DIRECTORY}/changelog)
  file(WRITE ${Changelog}
    "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n"
    "\n"
    "  * Release ${CPACK_PACKAGE_VERSION}.\n"
    "\n"
    " -- ${Contact}  ${CPACK_SPOUTER_RELEASE_DATE}\n")
  execute_process(COMMAND ${CPACK_SPOUTER_GZIP} -9 -n -c ${Changelog}
    OUTPUT_FILE ${DocDir}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)

  file(CHMOD ${DocDir}/copyright ${DocDir}/changelog.gz
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  # A static program is lintian's to question: the one without a C library
  # by design, the one on it where its builder asked (SPOUTER_LIBC_STATIC).
  if(CPACK_SPOUTER_STATIC)
    set(Overrides ${Prefix}/share/lintian/overrides)
    file(MAKE_DIRECTORY ${Overrides})
    file(CHMOD ${Prefix}/share/lintian ${Overrides} PERMISSIONS ${CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
    file(WRITE ${Overrides}/${CPACK_PACKAGE_NAME}
      "# The program is linked statically: without a C library it starts at its\n"
      "# own entry and makes its system calls itself, so there is nothing to link\n"
      "# dynamically; on the C library its builder asked for it.\n"
      "${CPACK_PACKAGE_NAME}: statically-linked-binary [usr/bin/spouter]\n")
    file(CHMOD ${Overrides}/${CPACK_PACKAGE_NAME} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
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
  file(CHMOD ${Staged}/SHA256SUMS PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
