# Derives the parser skeleton from the installed yacc.c with three changes.
#  - Error recovery: when an error comes again while the counter is 3 (fewer
#    than three tokens shifted since the last one), the lookahead is
#    discarded and parsing retries in the SAME state, as classic yacc does.
#    The stock skeleton pops states instead, which after an accepted label
#    anachronism throws a whole function away.
#  - Unit rules without an action (most reductions of a C grammar) leave
#    their value where it lies and skip the action switch: the stock skeleton
#    copies the value out and back onto the same stack slot on every such
#    reduction.
#  - Such rules only replace the state on top of the stack, so after a
#    nonterminal is shifted, the chain of them that the lookahead triggers
#    ends in a state that depends on the state below, the nonterminal and the
#    lookahead (or its absence) alone: the parser remembers where each chain ends and jumps
#    there instead of reducing it one rule at a time (an expression operand
#    climbs about fifteen levels of the expression grammar).
# Configuration fails when an expected text is not found exactly once, so a
# different bison cannot slip through.
#   derive_parser_skeleton(<output variable>)

# Replaces the one occurrence of `expected` in the variable named `variable`.
function(replace_once variable expected replacement what)
  string(FIND "${${variable}}" "${expected}" first)
  string(FIND "${${variable}}" "${expected}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "The ${what} of the bison skeleton yacc.c is not the one expected")
  endif()
  string(REPLACE "${expected}" "${replacement}" result "${${variable}}")
  set(${variable} "${result}" PARENT_SCOPE)
endfunction()

function(derive_parser_skeleton out)
  execute_process(COMMAND ${BISON_EXECUTABLE} --print-datadir OUTPUT_VARIABLE datadir
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  set(stock "${datadir}/skeletons/yacc.c")
  if(NOT rc EQUAL 0 OR NOT EXISTS "${stock}")
    message(FATAL_ERROR "Cannot find the bison skeleton yacc.c (${stock})")
  endif()
  file(READ "${stock}" text)
  replace_once(text
    "          yychar = ]b4_symbol(empty, id)[;\n        }\n    }\n"
    "          yychar = ]b4_symbol(empty, id)[;\n          goto yybackup;\n        }\n    }\n"
    "error recovery")
  replace_once(text
    "yyreduce:\n  /* yyn is the number of a rule to reduce with.  */\n"
    "yyreduce:\n  /* yyn is the number of a rule to reduce with.  */\n  if (yyunit_rules.yyis[yyn])\n    {\n      --yyssp;\n      goto yyunitshift;\n    }\n"
    "reduction without an action")
  replace_once(text
    "  /* Now 'shift' the result of the reduction."
    "yyunitshift:\n  /* Now 'shift' the result of the reduction."
    "shift of a reduction's result")
  replace_once(text
    "  {
    const int yylhs = yyr1[yyn] - YYNTOKENS;
    const int yyi = yypgoto[yylhs] + *yyssp;
    yystate = (0 <= yyi && yyi <= YYLAST && yycheck[yyi] == *yyssp
               ? yytable[yyi]
               : yydefgoto[yylhs]);
  }
"
    "  yystate = yygoto_chain (*yyssp, yyr1[yyn], yychar);
"
    "goto after a reduction")
  file(READ "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/parser_chain.c.m4" chain)
  replace_once(text
    "]b4_push_if([[
/*---------------.
| yypush_parse.  |"
    "${chain}]b4_push_if([[
/*---------------.
| yypush_parse.  |"
    "start of the parse function")
  set(derived "${CMAKE_CURRENT_BINARY_DIR}/yacc-derived.c")
  set(old "")
  if(EXISTS "${derived}")
    file(READ "${derived}" old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE "${derived}" "${text}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${stock}"
               "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/parser_chain.c.m4")
  set(${out} "${derived}" PARENT_SCOPE)
endfunction()
