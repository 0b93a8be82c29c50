# GoogleTest for the Windows build: Debian ships its sources, built here with
# the cross compiler (no cross-built binary package exists).
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Each test program runs as one ctest entry under Wine: listing every case
# would start Wine once per case at build time and again per case when
# testing, which costs minutes for nothing. A failing case is named in the
# program's output all the same.
function(gtest_discover_tests target)
  cmake_parse_arguments(D "NO_PRETTY_VALUES;NO_PRETTY_TYPES" "TEST_PREFIX;DISCOVERY_TIMEOUT;WORKING_DIRECTORY" "PROPERTIES" ${ARGN})
  add_test(NAME ${D_TEST_PREFIX}all COMMAND ${target} --gtest_brief=1)
  if(D_PROPERTIES)
    set_tests_properties(${D_TEST_PREFIX}all PROPERTIES ${D_PROPERTIES})
  endif()
endfunction()

# GCC 12 reports impossible overlapping copies inside libstdc++'s string
# code when optimising the tests (its bug 105329); the Linux build, at
# another optimisation level, does not meet it.
add_compile_options(-Wno-restrict)
# M_PI and its kin, which the tests take from <cmath> as POSIX offers them.
add_compile_definitions(_USE_MATH_DEFINES)
