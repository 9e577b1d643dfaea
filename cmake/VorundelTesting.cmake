# GoogleTest for the host, or built from Debian's sources when the tests
# are cross-built and run under an emulator (Wine).
if(CMAKE_CROSSCOMPILING)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest"
                     EXCLUDE_FROM_ALL SYSTEM)
  endif()
  set(VORUNDEL_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(VORUNDEL_GTEST_MAIN GTest::gtest_main)
endif()

# Registers a GoogleTest executable with CTest. Natively each test case
# is its own CTest entry; under an emulator the whole binary is one entry,
# so that listing the cases does not start the emulator at build time.
function(vorundel_add_gtest target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
    # The emulator exits with 77 where the machine cannot run the program
    # (32-bit programs on a kernel that refuses them).
    set_tests_properties(${target} PROPERTIES SKIP_RETURN_CODE 77)
    # The emulator's environment (a Wine prefix) is made by a fixture and
    # shared, so its tests take turns.
    if(VORUNDEL_EMULATOR_FIXTURE)
      set_tests_properties(${target} PROPERTIES
        FIXTURES_REQUIRED ${VORUNDEL_EMULATOR_FIXTURE}
        RESOURCE_LOCK ${VORUNDEL_EMULATOR_FIXTURE})
    endif()
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
