# Running the Windows test programs under Wine through CTest.
#
# Every test gets a private Wine prefix inside the build folder and the
# environment below. A fixture starts one persistent wineserver (and the
# Wine services) detached from CTest's output pipe before the first test and
# stops it after the last: a wineserver started by a test itself would
# inherit that pipe, and CTest would then wait seconds after every test.

find_program(TEV_WINESERVER wineserver REQUIRED)

set(TEV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TEV_WINE_ENVIRONMENT
  "WINEPREFIX=${TEV_WINEPREFIX}"
  "WINEARCH=win64"
  "WINEDEBUG=-all"
  "WINEDLLOVERRIDES=mscoree,mshtml=")
set(TEV_WINE_FIXTURE_SCRIPT ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh)

add_test(NAME wine_prefix_setup
         COMMAND ${TEV_WINE_FIXTURE_SCRIPT} setup ${TEV_WINE} ${TEV_WINESERVER})
add_test(NAME wine_prefix_cleanup
         COMMAND ${TEV_WINE_FIXTURE_SCRIPT} cleanup ${TEV_WINE} ${TEV_WINESERVER})
set_tests_properties(wine_prefix_setup PROPERTIES
  FIXTURES_SETUP tev_wine
  ENVIRONMENT "${TEV_WINE_ENVIRONMENT}"
  # Creating a fresh prefix takes some ten seconds.
  TIMEOUT 300)
set_tests_properties(wine_prefix_cleanup PROPERTIES
  FIXTURES_CLEANUP tev_wine
  ENVIRONMENT "${TEV_WINE_ENVIRONMENT}"
  TIMEOUT 60)

# Called by tests/CMakeLists.txt with the tests of each test program.
function(tev_wine_test_properties tests)
  if(NOT tests)
    return()
  endif()
  set_tests_properties(${tests} PROPERTIES
    FIXTURES_REQUIRED tev_wine
    ENVIRONMENT "${TEV_WINE_ENVIRONMENT}")
endfunction()
