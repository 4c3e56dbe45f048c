# Helpers shared by every folder: warnings for our own targets, Windows flags, test programs.
include(GoogleTest)

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  if(MINGW)
    # Every program is linked statically: under Wine a missing MinGW runtime DLL fails silently.
    add_link_options(-static)
    # The programs of a release carry no symbols, and a function or constant nothing calls is
    # left out of them.
    add_compile_options($<$<CONFIG:Release>:-ffunction-sections> $<$<CONFIG:Release>:-fdata-sections>)
    add_link_options($<$<CONFIG:Release>:-s> $<$<CONFIG:Release>:-Wl,--gc-sections>)
    # Every build of a commit gives the same bytes: no link time in the PE header, and no build
    # folder in the program (the sources are named relative to the checkout).
    add_link_options(-Wl,--no-insert-timestamp)
    add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
  else()
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  endif()
  if(CMAKE_CROSSCOMPILING)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")
    # Test programs under Wine list their cases when ctest runs, inside the test session's
    # wineserver and desktop, not while the build links them.
    set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
  set(TOLVANE_GTEST GTest::gtest GTest::gmock)
  set(TOLVANE_GTEST_MAIN GTest::gtest_main)
else()
  find_package(GTest REQUIRED)
  set(TOLVANE_GTEST GTest::gtest GTest::gmock)
  set(TOLVANE_GTEST_MAIN GTest::gtest_main)
  if(TOLVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
  if(TOLVANE_FUZZ)
    # Coverage for libFuzzer in every library the fuzzers link.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

# Warnings as errors apply to our own targets only, never to third-party code.
function(tolvane_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)
  endif()
endfunction()

# A Windows program whose entry is wWinMain or wmain (MSVC finds it by itself).
function(tolvane_unicode_entry target)
  if(MINGW)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# tolvane_add_test(<name> SOURCES ... [LIBS ...] [NO_MAIN] [LABELS ...])
# Adds one GoogleTest program and registers its cases with CTest.
function(tolvane_add_test name)
  cmake_parse_arguments(T "NO_MAIN" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  tolvane_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TOLVANE_GTEST})
  if(NOT T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${TOLVANE_GTEST_MAIN})
  endif()
  target_compile_definitions(${name} PRIVATE
    TOLVANE_ARTIFACTS_DIR="${TOLVANE_ARTIFACTS_DIR}"
    TOLVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TOLVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}" TIMEOUT 120)
endfunction()
