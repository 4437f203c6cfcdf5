# GoogleTest built from source for the target; each TEST becomes one ctest entry that runs
# in a scratch folder of its own (see scripts/wine-test.sh).
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

set(VELIN_TEST_TIMEOUT 120 CACHE STRING "Seconds one test may run")

# velin_add_gtest(<target> SOURCES ... LIBS ... [DEPENDS targets] [LOCALE <posix locale>] [TIMEOUT s]
#                 [RESOURCE_LOCK name...])
# LOCALE picks Wine's code page: zh_CN.UTF-8 (936) by default, C.UTF-8 for 1252.
function(velin_add_gtest target)
  cmake_parse_arguments(arg "" "LOCALE;TIMEOUT" "SOURCES;LIBS;DEPENDS;RESOURCE_LOCK" ${ARGN})
  add_executable(${target} ${arg_SOURCES})
  target_link_libraries(${target} PRIVATE ${arg_LIBS} gtest gtest_main)
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT ${VELIN_TEST_TIMEOUT})
  endif()
  gtest_add_tests(TARGET ${target} SOURCES ${arg_SOURCES} TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES TIMEOUT ${arg_TIMEOUT})
  if(arg_RESOURCE_LOCK)
    set_tests_properties(${tests} PROPERTIES RESOURCE_LOCK "${arg_RESOURCE_LOCK}")
  endif()
  if(arg_DEPENDS)
    add_dependencies(${target} ${arg_DEPENDS})
  endif()
  if(arg_LOCALE)
    set_tests_properties(${tests} PROPERTIES ENVIRONMENT "VELIN_TEST_LOCALE=${arg_LOCALE}")
  endif()
endfunction()
