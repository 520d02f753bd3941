# The C scanner, the accept tables and the token dump.
add_tarsk1_test(scanner_accept_tables_test SOURCES scanner_accept_tables_test.cpp LIBS tarsk1_frontend)
