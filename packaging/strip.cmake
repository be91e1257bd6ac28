# SPDX-License-Identifier: MIT
# Run by CPack on the files staged for the package: the program stripped as Debian strips its
# programs, of its symbols and of the compiler's .comment and .note sections, which take room
# and serve no one at run time.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
if(NOT programs)
  message(FATAL_ERROR "No program staged under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_MPT_STRIP}" --remove-section=.comment --remove-section=.note
                          "${program}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
