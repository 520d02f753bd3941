# Hostile input through the real binary: bounded time and memory, the
# documented message and exit code, no metrics file left behind; and one
# clean run under valgrind when it is installed.
add_tarsk1_test(hostile_input_test SOURCES hostile_input_test.cpp LIBS)
add_tarsk1_test(hostile_run_test SOURCES hostile_run_test.cpp LIBS)
find_program(TARSK1_VALGRIND valgrind)
if(NOT TARSK1_VALGRIND)
  set(TARSK1_VALGRIND "")
endif()
target_compile_definitions(hostile_run_test PRIVATE TARSK1_VALGRIND="${TARSK1_VALGRIND}")
