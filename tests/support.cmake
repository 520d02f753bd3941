# Support services: message service (through a child process), identifier
# table, paths and the platform module.
add_executable(support_messageprobe ${CMAKE_CURRENT_SOURCE_DIR}/tools/messageprobe.cpp)
target_link_libraries(support_messageprobe PRIVATE tarsk1_support)

# Translation files for the probe, compiled from the hand-written .ts files
# into an installation tree of their own.
set(SUPPORT_LOCALE_ROOT ${CMAKE_CURRENT_BINARY_DIR}/support_corveldir)
set(SUPPORT_QM_FILES)
foreach(ts tarsk1_fr_FR common_fr)
  set(qm ${SUPPORT_LOCALE_ROOT}/lib/locale/${ts}.qm)
  add_custom_command(OUTPUT ${qm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SUPPORT_LOCALE_ROOT}/lib/locale
    COMMAND ${TARSK1_LRELEASE} -silent ${TARSK1_TEST_DATA}/support/${ts}.ts -qm ${qm}
    DEPENDS ${TARSK1_TEST_DATA}/support/${ts}.ts)
  list(APPEND SUPPORT_QM_FILES ${qm})
endforeach()
add_custom_target(support_translations DEPENDS ${SUPPORT_QM_FILES})

add_tarsk1_test(support_test
  SOURCES support_machine_test.cpp support_alpha_test.cpp support_files_test.cpp support_platform_test.cpp
  LIBS tarsk1_support)
add_dependencies(support_test support_messageprobe support_translations)
target_compile_definitions(support_test PRIVATE
  MESSAGE_PROBE="$<TARGET_FILE:support_messageprobe>"
  SUPPORT_LOCALE_ROOT="${SUPPORT_LOCALE_ROOT}")
