# vd_add_test(NAME LABELS l1 [l2...] SOURCES a.cpp ... LIBS lib ... [ENV VAR=value ...])
# Builds one GoogleTest binary and registers each of its tests with ctest under the given labels.
# Every test runs with VARDO_BUNDLE pointing at the build tree's bundle and a fresh VARDO_HOME
# left to the test itself (tests make their own temporary homes). The session bus is named empty (no bus):
# a test never reaches the desktop keyring of whoever runs it, and keeps its secrets in its own home
# (the keyring's own tests start a private bus and keyring: tests/platform/security).
function(vd_add_test name)
  cmake_parse_arguments(T "" "" "LABELS;SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main Threads::Threads)
  if(TARGET vd_bundle)
    add_dependencies(${name} vd_bundle)
  endif()
  # Labels and environment are lists, which gtest_discover_tests cannot pass through to the tests it
  # finds; a second include file, read by ctest after the discovery, sets them on every found test.
  set(env "VARDO_BUNDLE=${VD_BUNDLE_DIR}" "VD_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
      "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0"
      "DBUS_SESSION_BUS_ADDRESS=" ${T_ENV})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    TEST_LIST ${name}_TESTS)
  set(props ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${props}
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${T_LABELS}\" ENVIRONMENT \"${env}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props})
endfunction()

# vd_add_window_test(NAME TEST ctest-name LABELS l1 [l2...] [TIMEOUT seconds] SOURCES a.cpp ... LIBS lib ...
#                    [ENV VAR=value ...])
# A window test program: its sources with the window tests' main (tests/ui/gtk/GtkTestMain, which starts
# an Xvfb of the program's own) and X session driver (WindowSession), linked with the GTK presenter and
# registered as one ctest test, so the whole program shares one X server. TIMEOUT defaults to 600.
# Like the unit tests, it sees no session bus.
function(vd_add_window_test name)
  cmake_parse_arguments(T "" "TEST;TIMEOUT" "LABELS;SOURCES;LIBS;ENV" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/ui/gtk/GtkTestMain.cpp
                 ${PROJECT_SOURCE_DIR}/tests/ui/gtk/WindowSession.cpp)
  target_link_libraries(${name} PRIVATE vd_gtk ${T_LIBS} GTest::gtest Threads::Threads)
  pkg_check_modules(${name}_X REQUIRED IMPORTED_TARGET pango x11)
  target_link_libraries(${name} PRIVATE PkgConfig::${name}_X)
  if(TARGET vd_bundle)
    add_dependencies(${name} vd_bundle)
  endif()
  add_test(NAME ${T_TEST} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  set(env "VARDO_BUNDLE=${VD_BUNDLE_DIR}" "VD_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
      "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0"
      "DBUS_SESSION_BUS_ADDRESS=" ${T_ENV})
  set_tests_properties(${T_TEST} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
endfunction()

# vd_add_bench(NAME SOURCES a.cpp ... LIBS lib ...)
function(vd_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE VD_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VD_BUNDLE_DIR="${VD_BUNDLE_DIR}")
endfunction()

# vd_add_fuzzer(NAME SOURCES a.cpp ... LIBS lib ...): a libFuzzer target (the fuzz preset only).
function(vd_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set_property(GLOBAL APPEND PROPERTY VD_FUZZERS ${name})
endfunction()
