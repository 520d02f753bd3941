# Directive scanner and vendor pragma tests: unit tests on single directive
# lines, and token-dump golden tests over small C files.
add_tarsk1_test(directive_scan_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/directive_scan_test.cpp
  LIBS tarsk1_frontend tarsk1_support)
add_tarsk1_test(pragma_handlers_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pragma_handlers_test.cpp
  LIBS tarsk1_frontend tarsk1_support)
add_tarsk1_test(directive_target_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/directive_target_test.cpp
  LIBS tarsk1_frontend tarsk1_support)
add_dependencies(directive_target_test tokendump)
add_tarsk1_test(directive_tokens_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/directive_tokens_test.cpp
  LIBS tarsk1_support)
add_dependencies(directive_tokens_test tokendump)
