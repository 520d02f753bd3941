# Hostile input through the real binary: bounded time and memory, the
# documented message and exit code, no metrics file left behind; and one
# clean run under valgrind when it is installed.
add_tarsk1_test(hostile_test SOURCES hostile_input_test.cpp hostile_run_test.cpp LIBS)
find_program(TARSK1_VALGRIND valgrind)
if(NOT TARSK1_VALGRIND)
  set(TARSK1_VALGRIND "")
endif()
target_compile_definitions(hostile_test PRIVATE TARSK1_VALGRIND="${TARSK1_VALGRIND}")
# Makes one chosen allocation of a real run fail (loaded before the C library).
add_library(failalloc MODULE tools/failalloc.c)
set_target_properties(failalloc PROPERTIES PREFIX "")
target_compile_options(failalloc PRIVATE -fno-sanitize=all)
target_link_options(failalloc PRIVATE -fno-sanitize=all)
add_dependencies(hostile_test failalloc)
target_compile_definitions(hostile_test PRIVATE TARSK1_FAILALLOC="$<TARGET_FILE:failalloc>")
