# zelk_add_test(NAME name SOURCES ... LIBS ... [WINDOWS_ONLY] [DESKTOP] [LABELS ...])
# One GoogleTest executable per module. Under the Windows build it runs
# through Wine (CMAKE_CROSSCOMPILING_EMULATOR); tests run from their own
# build folder, where each test makes its own temporary folders.
function(zelk_add_test)
  cmake_parse_arguments(T "WINDOWS_ONLY;DESKTOP" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT ZELK_WINDOWS)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest gtest_main zelk_options)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  if(ZELK_WINDOWS)
    target_link_libraries(${T_NAME} PRIVATE zelk_test_support)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "ZELK_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZELK_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(T_DESKTOP)
    # The tests show windows. All processes of one prefix share its desktop
    # and so one foreground window: a window that another test process opens
    # meanwhile takes the activation, and with it the focus, from this one's.
    set_property(TEST ${T_NAME} APPEND PROPERTY RESOURCE_LOCK wine_desktop)
  endif()
endfunction()
