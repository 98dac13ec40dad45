# Run by CPack on each package it made, before it is put in place.
#   Debian package: its outer ar archive takes the permissions of CPack's
#   own temporary files, which the packer's umask sets; its three members
#   are packed again in ar's deterministic form (owner 0, mode 644, no
#   time), so that the package's bytes do not depend on who packed it.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(SpouterAr ar REQUIRED)
foreach(Package IN LISTS CPACK_PACKAGE_FILES)
  set(Members ${CPACK_TOPLEVEL_DIRECTORY}/deb-members)
  file(REMOVE_RECURSE ${Members})
  file(MAKE_DIRECTORY ${Members})
  execute_process(COMMAND ${SpouterAr} t ${Package} OUTPUT_VARIABLE Names
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" Names "${Names}")
  execute_process(COMMAND ${SpouterAr} x ${Package} WORKING_DIRECTORY ${Members}
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${Package})
  execute_process(COMMAND ${SpouterAr} qcD ${Package} ${Names} WORKING_DIRECTORY ${Members}
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${Members})
endforeach()
