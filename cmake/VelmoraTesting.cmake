# The warnings of test programs and their helper programs: the unit's, but
# GCC 12 at -O3 reports std::string's own inlined copies as overlapping
# (-Wrestrict) in test code full of string building; the unit's code keeps
# that warning. The optimised builds are Release and the README's
# RelWithDebInfo at -O3.
function(velmora_test_warnings name)
  velmora_warnings(${name})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${name} PRIVATE $<$<CONFIG:Release,RelWithDebInfo>:-Wno-restrict>)
  endif()
endfunction()

# GoogleTest is built from Debian's sources so that it carries the same
# sanitizer and target flags as the code under test.
set(_gtest_src /usr/src/googletest)
if(EXISTS ${_gtest_src}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${_gtest_src} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GCC 12 at -O3 takes a string concatenation in GoogleTest's own source for
  # an overlapping copy (a false -Wrestrict): not ours to change, nor to see.
  target_compile_options(gtest PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
  # GoogleTest's own speed does not matter to the suites, and at -O3 its one
  # big source file is the longest single compile of a build.
  foreach(_lib gtest gtest_main gmock gmock_main)
    target_compile_options(${_lib} PRIVATE -O1)
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
include(VelmoraPython)

# The tests run python3 by name: their shell commands, the rig tool's first
# line. A directory holding only that name, first on their PATH, makes it the
# Python above. A version manager's shim, first on many a PATH, starts a
# shell and a dozen programs before each Python: on a busy machine that is
# seconds a call, and a rig test calls the tool for every key it presses.
set(VELMORA_TEST_PYTHON_DIR ${CMAKE_BINARY_DIR}/test-python)
file(MAKE_DIRECTORY ${VELMORA_TEST_PYTHON_DIR})
file(CREATE_LINK ${VELMORA_PYTHON} ${VELMORA_TEST_PYTHON_DIR}/python3 SYMBOLIC)
set(VELMORA_TEST_PATH "PATH=path_list_prepend:${VELMORA_TEST_PYTHON_DIR}")

# velmora_test(name SOURCES ... LIBS ... [LONG] [SLOW test...]): one
# GoogleTest executable, discovered by CTest. LONG marks whole-unit tests:
# they start first, so that the longest do not finish alone at the end of a
# run, and their own bounded waits, stretched under a sanitizer, end before
# CTest's timeout would kill them without a word. SLOW names the tests of a
# short program that take as long (seconds natively, minutes under a
# sanitizer or qemu): they start first too.
function(velmora_test name)
  cmake_parse_arguments(T "LONG" "" "SOURCES;LIBS;SLOW" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(VELMORA_UNITY)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 6)
  endif()
  velmora_test_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  if(T_LONG)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 900 COST 1000 LABELS ${name}
                         ENVIRONMENT_MODIFICATION ${VELMORA_TEST_PATH})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${name}
                         ENVIRONMENT_MODIFICATION ${VELMORA_TEST_PATH})
  endif()
  if(T_SLOW)
    # Read by CTest after the discovered tests, which it needs to exist.
    set(slow ${CMAKE_CURRENT_BINARY_DIR}/${name}_slow.cmake)
    file(WRITE ${slow} "set_tests_properties(${T_SLOW} PROPERTIES COST 1000)\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${slow})
  endif()
endfunction()
