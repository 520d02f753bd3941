# Syntax tree operations and the kind numbering.
add_tarsk1_test(tree_ops_test SOURCES tree_ops_test.cpp LIBS tarsk1_frontend)
