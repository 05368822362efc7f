# Shared target settings: every library, program and test of the project
# compiles with the same warnings and, when asked, the same sanitizers (the
# fuzz build always has them).
#
# Warnings stop the build only with PAVANE_WERROR (our scripts and CI): a
# build with another compiler or other flags than ours should not fail on a
# warning we have not seen.

function(pavane_target_settings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(PAVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # GCC 12 warns of overlapping copies inside std::string's own code when it
  # inlines "'" + std::string(...) at -O3, a known false alarm of that
  # release that says nothing about our code.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  target_compile_features(${target} PUBLIC cxx_std_20)
  if(PAVANE_SANITIZE OR PAVANE_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  # The fuzzers follow the coverage of all our code; libFuzzer's own main
  # is linked into the fuzzers only (tests/fuzz).
  if(PAVANE_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# pavane_library(<name> [DEPS <targets>...] [EXCLUDE <files>...])
# One library per source folder: it takes every .cpp file of the folder it is
# declared in (but the EXCLUDEd ones), and `src/` is its include root.
function(pavane_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${excluded}")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src"
                                              "${PROJECT_BINARY_DIR}/generated")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    pavane_target_settings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src"
                                                 "${PROJECT_BINARY_DIR}/generated")
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# pavane_program(<name> SOURCES <files>... [DEPS <targets>...])
function(pavane_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  pavane_target_settings(${name})
endfunction()

# pavane_test(<name> [DEPS <targets>...])
# One test program per test folder, from every .cpp file in it.
function(pavane_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} pavane_testing GTest::gtest_main GTest::gmock)
  pavane_target_settings(${name})
  gtest_discover_tests(${name} TEST_PREFIX "${name}." DISCOVERY_TIMEOUT 60)
endfunction()
