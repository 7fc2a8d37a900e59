# Helpers shared by every folder's CMakeLists.txt.

# Compile options every Prismcard target gets.
add_library(prism_build_options INTERFACE)
target_include_directories(prism_build_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(prism_build_options INTERFACE -Wall -Wextra)
# The software device passes 32-byte vectors between its own functions; the compilers' note
# that such arguments pass differently with AVX says nothing about this program.
target_compile_options(prism_build_options INTERFACE -Wno-psabi)
if(PRISM_WERROR)
  target_compile_options(prism_build_options INTERFACE -Werror)
endif()
# Floating-point results never depend on whether the processor fuses multiply and add: the
# software device's fast paths must give the general paths' bits on every build.
target_compile_options(prism_build_options INTERFACE -ffp-contract=off)
if(PRISM_NATIVE_ARCH)
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-march=native PRISM_HAVE_MARCH_NATIVE)
  if(PRISM_HAVE_MARCH_NATIVE)
    target_compile_options(prism_build_options INTERFACE -march=native)
    # Where the processor has 512-bit vectors the renderer's blocks use them; loops the
    # compiler vectorises itself may as well (it otherwise stops at 256 bits).
    check_cxx_compiler_flag(-mprefer-vector-width=512 PRISM_HAVE_PREFER_VECTOR_WIDTH)
    if(PRISM_HAVE_PREFER_VECTOR_WIDTH)
      target_compile_options(prism_build_options INTERFACE -mprefer-vector-width=512)
    endif()
  endif()
endif()
if(PRISM_NARROW_BLOCKS)
  target_compile_definitions(prism_build_options INTERFACE PRISM_NARROW_BLOCKS=1)
endif()
if(PRISM_SMALL_LIMITS)
  target_compile_definitions(prism_build_options INTERFACE PRISM_SMALL_LIMITS=1)
endif()
if(PRISM_SANITIZE)
  set(prism_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(prism_build_options INTERFACE ${prism_sanitize_flags})
  target_link_options(prism_build_options INTERFACE ${prism_sanitize_flags})
endif()

if(PRISM_FUZZ)
  # Coverage instrumentation for the libraries the fuzz targets drive.
  # Undefined behaviour stops the run like a crash, so the input is kept.
  target_compile_options(prism_build_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                       -fno-sanitize-recover=undefined)
  target_link_options(prism_build_options INTERFACE -fsanitize=address,undefined)
endif()

# Where the public test images live: ../shared/testdata beside the checkout.
get_filename_component(PRISM_SHARED_DIR "${PROJECT_SOURCE_DIR}/../shared" ABSOLUTE)
set(PRISM_TESTDATA_DIR "${PRISM_SHARED_DIR}/testdata" CACHE PATH "Public image test suites")

# Adds every listed subdirectory of the current folder that has a CMakeLists.txt.
function(prism_add_subdirectories_if_present)
  foreach(dir IN LISTS ARGN)
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Adds every subdirectory of the current folder that has a CMakeLists.txt, in name order.
function(prism_add_all_subdirectories)
  file(GLOB children LIST_DIRECTORIES true RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}/*")
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/${child}" AND EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt")
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# prism_add_library(NAME SOURCES ... [DEPS ...])
function(prism_add_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${arg_SOURCES})
  target_link_libraries(${name} PUBLIC prism_build_options ${arg_DEPS})
endfunction()

# prism_add_executable(NAME SOURCES ... [DEPS ...])
function(prism_add_executable name)
  cmake_parse_arguments(arg "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE prism_build_options ${arg_DEPS})
endfunction()

# prism_add_test(NAME SOURCES ... [DEPS ...]): a GoogleTest program whose cases CTest lists one by one.
function(prism_add_test name)
  cmake_parse_arguments(arg "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE prism_build_options prism_test_support prism_test_main ${arg_DEPS} GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    PRISM_TESTDATA_DIR="${PRISM_TESTDATA_DIR}"
    PRISM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# prism_add_benchmark(NAME SOURCES ... [DEPS ...]): a Google Benchmark program (not run by CTest).
function(prism_add_benchmark name)
  cmake_parse_arguments(arg "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE prism_build_options ${arg_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# prism_add_fuzzer(NAME SOURCES ... [DEPS ...] [CORPUS dir ...])
# With PRISM_FUZZ the target is a libFuzzer program. Otherwise it is linked with a replay
# main that feeds every file of the corpus folders to the target once, and CTest runs that,
# so the seeds and the known-bad inputs are checked on every test run.
function(prism_add_fuzzer name)
  cmake_parse_arguments(arg "" "" "SOURCES;DEPS;CORPUS" ${ARGN})
  if(PRISM_FUZZ)
    add_executable(${name} ${arg_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name} ${arg_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    set(corpus_paths "")
    foreach(dir IN LISTS arg_CORPUS)
      list(APPEND corpus_paths "${CMAKE_CURRENT_SOURCE_DIR}/${dir}")
    endforeach()
    add_test(NAME ${name}_replay COMMAND ${name} ${corpus_paths})
  endif()
  target_link_libraries(${name} PRIVATE prism_build_options ${arg_DEPS})
endfunction()
