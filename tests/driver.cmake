# Driver: the command decoder and decodeOptions in-process; the run sequence
# and translations through the real binary as a child process.
add_tarsk1_test(driver_decoder_test SOURCES driver_decoder_test.cpp driver_options_test.cpp LIBS tarsk1_driver)

find_program(TARSK1_LRELEASE NAMES lrelease lrelease-qt6 HINTS /usr/lib/qt6/bin REQUIRED)
add_tarsk1_test(driver_run_test SOURCES driver_run_test.cpp LIBS)
target_compile_definitions(driver_run_test PRIVATE TARSK1_LRELEASE="${TARSK1_LRELEASE}")
