# Installation and packages. On Linux: the program, its manual page, README
# and licence in the usual folders, packed as a Debian package. On Windows:
# spouter.exe, a README for Notepad, the licence and their SHA-256 sums side
# by side in a zip.
# The version everywhere is the project's own.
include(GNUInstallDirs)
# Folders installed or packed have the usual permissions, whatever the umask of
# the one who installs or packs them.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(SPOUTER_DOCS ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE)

if(WIN32)
  # A plain-text README with CR LF line ends, as Notepad shows it, in place
  # of the Markdown one; it says which of the two zips it is in.
  set(SPOUTER_ZIP_DESCRIPTION "the 32-bit x86 build")
  if(SPOUTER_WINDOWS_FAMILY STREQUAL "x86_64")
    set(SPOUTER_ZIP_DESCRIPTION "the x64 build")
  endif()
  configure_file(docs/README-win32.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  # The licence too, with CR LF line ends.
  configure_file(LICENSE LICENSE @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS spouter RUNTIME DESTINATION .)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE DESTINATION .)
else()
  # The manual page carries the version; installed compressed, as man
  # readers expect it.
  configure_file(docs/spouter.1.in spouter.1 @ONLY)
  find_program(GZIP_COMMAND gzip REQUIRED)
  add_custom_command(
    OUTPUT spouter.1.gz
    COMMAND ${GZIP_COMMAND} -9 -n -c spouter.1 > spouter.1.gz
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/spouter.1
    COMMENT "Compressing the manual page")
  add_custom_target(spouter_manual ALL DEPENDS spouter.1.gz)

  install(TARGETS spouter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/spouter.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${SPOUTER_DOCS} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME spouter)
set(CPACK_PACKAGE_VENDOR "The SPOUTER developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write text and byte codes to standard output, with no line end")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageStaging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageFinish.cmake)
set(CPACK_SPOUTER_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_SPOUTER_GZIP ${GZIP_COMMAND})
# The date of this version, in the form of a Debian changelog entry, and
# the same day in seconds since 1970, the files' time stamp in a package
# made from a tree without its history (cmake/SourceDate.cmake).
set(CPACK_SPOUTER_RELEASE_DATE "Tue, 08 Dec 2026 00:00:00 +0000")
set(CPACK_SPOUTER_RELEASE_EPOCH 1796688000)
set(CPACK_SPOUTER_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/SourceDate.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # spouter-VERSION-win32.zip for 32-bit x86, spouter-VERSION-win64.zip for
  # x64.
  set(SPOUTER_ZIP_SUFFIX win32)
  if(SPOUTER_WINDOWS_FAMILY STREQUAL "x86_64")
    set(SPOUTER_ZIP_SUFFIX win64)
  endif()
  set(CPACK_PACKAGE_FILE_NAME spouter-${PROJECT_VERSION}-${SPOUTER_ZIP_SUFFIX})
  set(CPACK_PACKAGE_CHECKSUM SHA256)
else()
  set(CPACK_GENERATOR DEB)
  # Not for the zip: spouter.exe is linked stripped, and stripping it again
  # would only restamp it.
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # Debian's name for the processor the program is built for, which a cross
  # build's machine does not know; elsewhere CPack asks dpkg.
  if(SPOUTER_FAMILY_${SPOUTER_FAMILY}_DEBIAN)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${SPOUTER_FAMILY_${SPOUTER_FAMILY}_DEBIAN})
  endif()
  # The project's address, not a person's.
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The SPOUTER developers <spouter@spouter.example>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Linked statically, it depends on nothing, and only then does it need
  # lintian's override for a static program; linked to the shared C
  # library, it depends on what dpkg-shlibdeps finds.
  set(CPACK_SPOUTER_STATIC ${SPOUTER_STATIC_PROGRAM})
  if(SPOUTER_STATIC_PROGRAM)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "")
  else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  endif()
  # Follows the summary in the package's description.
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "spouter writes its parameters to standard output one after another, with\n"
    "no separator and no line break. A parameter of two hexadecimal digits, or\n"
    "of three decimal digits below 256, is written as the byte it encodes;\n"
    "every other parameter as its own text.")
endif()

include(CPack)

# The Debian package ships the program without a C library where there is
# that layer; a native build on the C library packs it linked as asked.
if(SPOUTER_BUILD_TESTS AND NOT SPOUTER_SANITIZE AND SPOUTER_SYSTEM STREQUAL "Linux" AND
   (SPOUTER_LAYER STREQUAL "linux" OR NOT CMAKE_CROSSCOMPILING))
  add_test(NAME linux_package
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package-linux.sh
      ${PROJECT_BINARY_DIR} ${PROJECT_VERSION} ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND})
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " Emulator)
  set_tests_properties(linux_package PROPERTIES LABELS package SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "SPOUTER_EMULATOR=${Emulator}")
endif()
