# Fails when flex reports backing up in SCANNER: the scanner's rules were
# written so that it never backs up, and a rule that brings backing up back
# costs every byte of input a store (the output stays right, so only this
# check would tell).
#   cmake -DFLEX=<flex> -DSCANNER=<file.l> -DWORK=<folder> -P tools/no_backing_up.cmake
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${FLEX}" -b -Cf -o "${WORK}/scanner.c" "${SCANNER}"
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE rc ERROR_VARIABLE errors)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "flex failed on ${SCANNER}: ${errors}")
endif()
file(READ "${WORK}/lex.backup" report)
if(NOT report MATCHES "^No backing up\\.")
  message(FATAL_ERROR "${SCANNER} backs up now; the states flex names:\n${report}")
endif()
