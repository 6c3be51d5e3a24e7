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
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)  # support/Tables.h
  nvx_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# macOS: builds `target` for at least macOS `version` when the project's deployment target
# (the oldest system of the two programs) is lower.
function(nvx_macos_minimum target version)
  if(APPLE AND CMAKE_OSX_DEPLOYMENT_TARGET VERSION_LESS version)
    target_compile_options(${target} PRIVATE -mmacosx-version-min=${version})
    target_link_options(${target} PRIVATE -mmacosx-version-min=${version})
  endif()
endfunction()
