# The programs' artwork, made at build time by our own tool (tools/artwork):
#
#   tev_artwork(<edition>)     # edition = kappa | sigma
#
# creates the target tev_artwork_<edition>, which writes into
# ${CMAKE_BINARY_DIR}/artwork/<edition>/ the files Program.ico, Document.ico,
# Splash.bmp and Script/ (the edition's script and every bitmap of the skins
# it names). A skin author's own <name>.bmp beside the script in
# editions/<edition>/Script/ (".bmp" in any case) is copied there instead of
# the painted one, under the script's spelling of <name>.
# The tool's warnings are kept in ${CMAKE_BINARY_DIR}/artwork/<edition>-warnings.txt.
# The folder is also left in TEV_ARTWORK_DIR_<edition> for the caller.
#
# The tool is a host program: it is compiled with the host's C++ compiler
# even in the mingw cross build, so it runs on the build machine. It reads
# the script with the framework's own script reader: the few platform-neutral
# framework sources that reader needs are compiled into it.

# The painter and the script's panels, without the tool's main(); the tests
# link them with the framework library. Set in every folder that includes
# this file, before the guard.
file(GLOB TEV_ARTWORK_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/artwork/*.cpp)
list(REMOVE_ITEM TEV_ARTWORK_SOURCES ${PROJECT_SOURCE_DIR}/tools/artwork/Main.cpp)
set(TEV_ARTWORK_FRAMEWORK_SOURCES
  ${PROJECT_SOURCE_DIR}/framework/core/TevScript.cpp
  ${PROJECT_SOURCE_DIR}/framework/core/TevTextOut.cpp
  ${PROJECT_SOURCE_DIR}/framework/core/TevHelpers.cpp
  ${PROJECT_SOURCE_DIR}/framework/core/TevSystem.cpp)
include_guard(GLOBAL)

function(_tev_artwork_tool)
  if(TARGET tev_artwork_tool)
    return()
  endif()
  find_program(TEV_HOST_CXX NAMES g++ c++ clang++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(sources ${TEV_ARTWORK_SOURCES} ${PROJECT_SOURCE_DIR}/tools/artwork/Main.cpp ${TEV_ARTWORK_FRAMEWORK_SOURCES})
  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/artwork/*.h ${PROJECT_SOURCE_DIR}/framework/core/*.h)
  set(flags -std=c++20 -O2 -Wall -Wextra -I${PROJECT_SOURCE_DIR}/framework)
  if(TEV_WERROR)
    list(APPEND flags -Werror)
  endif()
  set(tool ${CMAKE_BINARY_DIR}/tools/tev_artwork)
  add_custom_command(
    OUTPUT ${tool}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
    COMMAND ${TEV_HOST_CXX} ${flags} -o ${tool} ${sources}
    DEPENDS ${sources} ${headers}
    COMMENT "Building the artwork tool with the host compiler"
    VERBATIM)
  add_custom_target(tev_artwork_tool DEPENDS ${tool})
  set_property(GLOBAL PROPERTY TEV_ARTWORK_TOOL ${tool})
endfunction()

# The script file name of an edition.
function(tev_edition_script edition out_var)
  if(edition STREQUAL "kappa")
    set(${out_var} KappaEditScript.xml PARENT_SCOPE)
  elseif(edition STREQUAL "sigma")
    set(${out_var} SigmaEditScript.xml PARENT_SCOPE)
  else()
    message(FATAL_ERROR "Unknown edition '${edition}' (kappa or sigma)")
  endif()
endfunction()

function(tev_artwork edition)
  set(out ${CMAKE_BINARY_DIR}/artwork/${edition})
  set(TEV_ARTWORK_DIR_${edition} ${out} PARENT_SCOPE)
  if(TARGET tev_artwork_${edition})
    return()
  endif()
  _tev_artwork_tool()
  get_property(tool GLOBAL PROPERTY TEV_ARTWORK_TOOL)
  tev_edition_script(${edition} script)
  set(source ${PROJECT_SOURCE_DIR}/editions/${edition}/Script/${script})
  # The author's bitmaps: the build looks for new ones each time, and the
  # list below changes when one comes or goes, so the artwork is made again.
  file(GLOB authored CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/editions/${edition}/Script/*.[bB][mM][pP])
  set(authored_list ${CMAKE_BINARY_DIR}/artwork/${edition}-authored.txt)
  file(CONFIGURE OUTPUT ${authored_list} CONTENT "${authored}\n")
  # The tool's warnings, kept for tools/run-kappa.sh to show on every run
  # while they hold; the first output, so a build folder without it paints
  # again.
  set(warnings ${CMAKE_BINARY_DIR}/artwork/${edition}-warnings.txt)
  set(paint_script ${PROJECT_SOURCE_DIR}/cmake/PaintArtwork.cmake)
  add_custom_command(
    OUTPUT ${warnings} ${out}/Program.ico ${out}/Document.ico ${out}/Splash.bmp ${out}/Script/${script}
    # A fresh Script folder: no bitmap of an older layout stays behind.
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${out}/Script
    COMMAND ${CMAKE_COMMAND} -D TOOL=${tool} -D EDITION=${edition} -D OUTPUT=${out} -D SCRIPT=${source}
            -D WARNINGS=${warnings} -P ${paint_script}
    DEPENDS ${tool} tev_artwork_tool ${source} ${authored} ${authored_list} ${paint_script}
    COMMENT "Painting the ${edition} artwork"
    VERBATIM)
  add_custom_target(tev_artwork_${edition} ALL
    DEPENDS ${warnings} ${out}/Program.ico ${out}/Document.ico ${out}/Splash.bmp ${out}/Script/${script})
endfunction()
