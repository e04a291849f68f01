# Run by CPack before it packs: drops the compiler's .comment and .note sections that a plain
# strip leaves in the programs, as Debian's own packaging does.
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*)
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_MERROWBY_OBJCOPY} --remove-section=.comment
                          --remove-section=.note ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
