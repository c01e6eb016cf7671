# Running the Windows test programs under Wine through CTest.
#
# Every test gets a private Wine prefix inside the build folder and the
# environment below. A fixture starts one persistent wineserver (and the
# Wine services) detached from CTest's output pipe before the first test and
# stops it after the last: a wineserver started by a test itself would
# inherit that pipe, and CTest would then wait seconds after every test.

find_program(TEV_WINESERVER wineserver REQUIRED)

# An Xvfb server for the whole run, started as a fixture before the Wine
# prefix (the Wine desktop process takes its display from the first start).
# It picks a free display itself; every test reaches it through
# tools/with-display.sh, which reads the number the fixture recorded.
set(TEV_XVFB_STATE ${CMAKE_BINARY_DIR}/xvfb)
set(TEV_WITH_DISPLAY ${PROJECT_SOURCE_DIR}/tools/with-display.sh ${TEV_XVFB_STATE})
add_test(NAME xvfb_setup
         COMMAND ${PROJECT_SOURCE_DIR}/tools/xvfb-fixture.sh start ${TEV_XVFB_STATE})
add_test(NAME xvfb_cleanup
         COMMAND ${PROJECT_SOURCE_DIR}/tools/xvfb-fixture.sh stop ${TEV_XVFB_STATE})
set_tests_properties(xvfb_setup PROPERTIES FIXTURES_SETUP tev_xvfb TIMEOUT 60)
set_tests_properties(xvfb_cleanup PROPERTIES FIXTURES_CLEANUP tev_xvfb TIMEOUT 60)

# Test programs made from here on run under Wine on that display.
set(CMAKE_CROSSCOMPILING_EMULATOR ${TEV_WITH_DISPLAY} ${TEV_WINE})

set(TEV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TEV_WINE_ENVIRONMENT
  "WINEPREFIX=${TEV_WINEPREFIX}"
  "WINEARCH=win64"
  "WINEDEBUG=-all"
  "WINEDLLOVERRIDES=mscoree,mshtml=")
set(TEV_WINE_FIXTURE_SCRIPT ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh)

add_test(NAME wine_prefix_setup
         COMMAND ${TEV_WITH_DISPLAY} ${TEV_WINE_FIXTURE_SCRIPT} setup ${TEV_WINE} ${TEV_WINESERVER})
add_test(NAME wine_prefix_cleanup
         COMMAND ${TEV_WITH_DISPLAY} ${TEV_WINE_FIXTURE_SCRIPT} cleanup ${TEV_WINE} ${TEV_WINESERVER})
set_tests_properties(wine_prefix_setup PROPERTIES
  FIXTURES_SETUP tev_wine
  FIXTURES_REQUIRED tev_xvfb
  ENVIRONMENT "${TEV_WINE_ENVIRONMENT}"
  # Creating a fresh prefix takes some ten seconds.
  TIMEOUT 300)
set_tests_properties(wine_prefix_cleanup PROPERTIES
  FIXTURES_CLEANUP tev_wine
  FIXTURES_REQUIRED tev_xvfb
  ENVIRONMENT "${TEV_WINE_ENVIRONMENT}"
  TIMEOUT 60)

# Called by tests/CMakeLists.txt with the tests of each test program.
function(tev_wine_test_properties tests)
  if(NOT tests)
    return()
  endif()
  set_tests_properties(${tests} PROPERTIES
    FIXTURES_REQUIRED "tev_xvfb;tev_wine"
    ENVIRONMENT "${TEV_WINE_ENVIRONMENT}")
endfunction()
