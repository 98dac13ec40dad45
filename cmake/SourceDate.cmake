# Run by CPack before each package is packed (CPACK_PROJECT_CONFIG_FILE):
# the time stamp of every file in a package is SOURCE_DATE_EPOCH when it is
# set, else the date of the commit that the source is checked out at, else
# (a tree exported without its history) the date of this version; so the
# same source packs into the same bytes, whenever and wherever it is built.
# A zip keeps its time stamps in local time: it is packed in UTC.
set(ENV{TZ} UTC0)
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(Epoch ${CPACK_SPOUTER_RELEASE_EPOCH})
  find_program(SpouterGit git)
  if(SpouterGit)
    # Only the source's own history counts, not one of a folder around it.
    execute_process(COMMAND ${SpouterGit} -C ${CPACK_SPOUTER_SOURCE_DIR} rev-parse --show-toplevel
      OUTPUT_VARIABLE Top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE Failed)
    if(NOT Failed)
      file(REAL_PATH "${Top}" Top)
      file(REAL_PATH "${CPACK_SPOUTER_SOURCE_DIR}" Source)
    endif()
    if(NOT Failed AND Top STREQUAL Source)
      execute_process(COMMAND ${SpouterGit} -C ${CPACK_SPOUTER_SOURCE_DIR} log -1 --format=%ct
        OUTPUT_VARIABLE Epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${Epoch})
endif()
