# The C grammar: golden comparisons of the tree outline that the treedump
# tool prints, error reporting and recovery, deep nesting, and real gcc -E
# output parsed with the GCC target.
add_executable(treedump ${CMAKE_CURRENT_LIST_DIR}/tools/treedump.cpp)
target_link_libraries(treedump PRIVATE tarsk1_frontend tarsk1_support Qt6::Core)

foreach(t grammar_tree_test grammar_error_test grammar_gcc_test grammar_run_test)
  add_tarsk1_test(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp LIBS tarsk1_support)
  target_compile_definitions(${t} PRIVATE TREEDUMP="$<TARGET_FILE:treedump>")
  add_dependencies(${t} treedump)
endforeach()
