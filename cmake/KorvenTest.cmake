# korven_add_test(tst_name [SOURCES extra.cpp ...] LIBS korven_document ...)
# Builds tst_name.cpp of the current folder as a QtTest executable and
# registers it with ctest, labelled with its subsystem folder. Tests find
# outside files through KORVEN_TESTDATA_DIR, never the working directory.
function(korven_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  get_filename_component(label ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  add_executable(${name} ${name}.cpp ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_compile_definitions(${name} PRIVATE
    KORVEN_TESTDATA_DIR="${KORVEN_TESTDATA_DIR}"
    KORVEN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  # Each test keeps its settings in a home of its own, so tests run in
  # parallel never share a settings file.
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/home-${name})
  set_tests_properties(${name} PROPERTIES
    LABELS ${label}
    ENVIRONMENT "HOME=${CMAKE_CURRENT_BINARY_DIR}/home-${name};QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    TIMEOUT 300)
endfunction()
