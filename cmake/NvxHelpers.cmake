# Warnings for our own targets; third-party headers come in as system includes.
function(nvx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(NVX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Declares one GoogleTest executable and registers its cases with CTest.
function(nvx_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  nvx_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
