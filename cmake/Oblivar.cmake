# Shared build rules: warnings, the OS folder of each subsystem, and test registration.

if(WIN32)
  set(OBLIVAR_OS win32)
else()
  set(OBLIVAR_OS posix)
endif()

set(OBLIVAR_WARNINGS -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
if(OBLIVAR_WERROR)
  list(APPEND OBLIVAR_WARNINGS -Werror)
endif()

if(WIN32)
  # One static program per deliverable: nothing to ship beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE)
else()
  find_package(Threads REQUIRED)
endif()

# oblivar_library(<name> <dir>): a static library from <dir>/*.cpp and <dir>/<os>/*.cpp.
function(oblivar_library name dir)
  file(GLOB portable CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB native CONFIGURE_DEPENDS ${dir}/${OBLIVAR_OS}/*.cpp)
  add_library(${name} STATIC ${portable} ${native})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${OBLIVAR_WARNINGS})
endfunction()

# Every test process runs through a launcher that gives it a private HOME, TMPDIR and XDG
# folders under the build tree and puts stub session commands first in PATH; under Wine the
# launcher also selects the build's private prefix.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(OBLIVAR_TEST_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/run-test.sh wine ${CMAKE_BINARY_DIR})
else()
  set(OBLIVAR_TEST_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/run-test.sh native ${CMAKE_BINARY_DIR})
endif()

# oblivar_test(<name> SOURCES ... LIBS ... [LOCKED <filter> <lock>]): a GoogleTest program whose
# cases CTest lists at test time (so the Wine launcher applies to the listing too). The cases
# that the gtest filter names hold the CTest resource lock while they run (cases of different
# programs that change the same machine-wide state).
function(oblivar_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LOCKED" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(WIN32)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/each_process/private_temp_win32.cpp)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} oblivar_test_support GTest::gmock GTest::gtest_main)
  target_compile_options(${name} PRIVATE ${OBLIVAR_WARNINGS})
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${OBLIVAR_TEST_LAUNCHER}")
  # A case that skips itself is reported as skipped, never as passed.
  set(properties TIMEOUT 300 SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  if(T_LOCKED)
    list(GET T_LOCKED 0 filter)
    list(GET T_LOCKED 1 lock)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 TEST_FILTER "-${filter}"
                         PROPERTIES ${properties})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 TEST_FILTER "${filter}"
                         PROPERTIES ${properties} RESOURCE_LOCK ${lock})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 PROPERTIES ${properties})
  endif()
endfunction()
