# Replays the inputs that the fuzz targets found at fault (tests/data/fuzz/)
# through the harness bodies of fuzz/, linked with the real modules.
add_tarsk1_test(fuzz_regress_test
  SOURCES fuzz_regress_test.cpp ${CMAKE_SOURCE_DIR}/fuzz/harness.cpp
  LIBS tarsk1_driver)
target_compile_definitions(fuzz_regress_test PRIVATE
  TARSK1_DEFINITION_FILE="${CMAKE_SOURCE_DIR}/targets/gcc-glibc/ana/mvct.def")
