# Driver: the command decoder and decodeOptions in-process; the run sequence
# and translations through the real binary as a child process.
add_tarsk1_test(driver_test
  SOURCES driver_decoder_test.cpp driver_options_test.cpp driver_run_test.cpp
  LIBS tarsk1_driver)
target_compile_definitions(driver_test PRIVATE TARSK1_LRELEASE="${TARSK1_LRELEASE}")
