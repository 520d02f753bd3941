# Derives the parser skeleton from the installed yacc.c with one change to its
# error recovery: when an error comes again while the counter is 3 (fewer
# than three tokens shifted since the last one), the lookahead is discarded
# and parsing retries in the SAME state, as classic yacc does. The stock
# skeleton pops states instead, which after an accepted label anachronism
# throws a whole function away. Configuration fails when the expected text
# is not found exactly once, so a different bison cannot slip through.
#   derive_classic_skeleton(<output variable>)
function(derive_classic_skeleton out)
  execute_process(COMMAND ${BISON_EXECUTABLE} --print-datadir OUTPUT_VARIABLE datadir
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  set(stock "${datadir}/skeletons/yacc.c")
  if(NOT rc EQUAL 0 OR NOT EXISTS "${stock}")
    message(FATAL_ERROR "Cannot find the bison skeleton yacc.c (${stock})")
  endif()
  file(READ "${stock}" text)
  set(discard "          yychar = ]b4_symbol(empty, id)[;\n        }\n    }\n")
  set(retry "          yychar = ]b4_symbol(empty, id)[;\n          goto yybackup;\n        }\n    }\n")
  string(FIND "${text}" "${discard}" first)
  string(FIND "${text}" "${discard}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "The error recovery of ${stock} is not the one expected; the classic rule cannot be applied")
  endif()
  string(REPLACE "${discard}" "${retry}" text "${text}")
  set(derived "${CMAKE_CURRENT_BINARY_DIR}/yacc-classic-recovery.c")
  set(old "")
  if(EXISTS "${derived}")
    file(READ "${derived}" old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE "${derived}" "${text}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${stock}")
  set(${out} "${derived}" PARENT_SCOPE)
endfunction()
