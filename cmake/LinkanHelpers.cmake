# linkan_library(NAME SRCS ... DEPS ...)
#   One static library per subsystem. Everything is position independent so
#   that the module's shared library can be assembled from these pieces.
function(linkan_library name)
  cmake_parse_arguments(ARG "" "" "SRCS;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SRCS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# linkan_test(NAME SRCS ... DEPS ...)
#   A GoogleTest executable registered with CTest, test by test.
function(linkan_test name)
  cmake_parse_arguments(ARG "" "" "SRCS;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SRCS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} linkan_testutil GTest::gtest GTest::gtest_main)
  if(TARGET linkan_lsan_suppressions)
    target_link_libraries(${name} PRIVATE linkan_lsan_suppressions)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "LINKAN_SHARED_DIR=${PROJECT_SOURCE_DIR}/../shared")
endfunction()
