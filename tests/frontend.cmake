# The C front end: the syntax tree and the kind numbering; the C scanner and
# the accept tables, with token-dump golden tests; directive lines and vendor
# pragmas; the grammar through golden tree outlines, error reporting and
# recovery, deep nesting, and real gcc -E output parsed with the GCC target.

# The dumps that the golden tests run as child processes.
add_executable(tokendump ${CMAKE_CURRENT_LIST_DIR}/tools/tokendump.cpp)
target_link_libraries(tokendump PRIVATE tarsk1_frontend)
add_executable(treedump ${CMAKE_CURRENT_LIST_DIR}/tools/treedump.cpp)
target_link_libraries(treedump PRIVATE tarsk1_frontend tarsk1_support Qt6::Core)

add_tarsk1_test(frontend_test
  SOURCES
    tree_ops_test.cpp
    scanner_accept_tables_test.cpp scanner_api_test.cpp scanner_golden_test.cpp
    directive_scan_test.cpp pragma_handlers_test.cpp directive_target_test.cpp directive_tokens_test.cpp
    grammar_tree_test.cpp grammar_error_test.cpp grammar_gcc_test.cpp grammar_run_test.cpp
  LIBS tarsk1_frontend tarsk1_support)
target_compile_definitions(frontend_test PRIVATE
  TOKENDUMP="$<TARGET_FILE:tokendump>"
  TREEDUMP="$<TARGET_FILE:treedump>")
add_dependencies(frontend_test tokendump treedump)
add_test(NAME c_scanner_never_backs_up
  COMMAND ${CMAKE_COMMAND} -DFLEX=${FLEX_EXECUTABLE} -DSCANNER=${PROJECT_SOURCE_DIR}/frontend/stx_c_lex.l
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/backing_up/c -P ${CMAKE_CURRENT_SOURCE_DIR}/tools/no_backing_up.cmake)
