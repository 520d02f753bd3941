# The C scanner, the accept tables and the token dump.
add_tarsk1_test(scanner_accept_tables_test SOURCES scanner_accept_tables_test.cpp LIBS tarsk1_frontend)

# The token dump that the golden scanner tests run as a child process.
add_executable(tokendump tools/tokendump.cpp)
target_link_libraries(tokendump PRIVATE tarsk1_frontend)

add_tarsk1_test(scanner_golden_test SOURCES scanner_golden_test.cpp LIBS)
target_compile_definitions(scanner_golden_test PRIVATE TOKENDUMP="$<TARGET_FILE:tokendump>")
add_dependencies(scanner_golden_test tokendump)
add_tarsk1_test(scanner_api_test SOURCES scanner_api_test.cpp LIBS tarsk1_frontend)
