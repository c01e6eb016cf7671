# The distribution of a program as a user gets it:
#
#   tev_distribution(<exe target> <edition>)    # edition = kappa | sigma
#
# lays out ${CMAKE_BINARY_DIR}/dist/<ProgramName>/ with
#   <ProgramName>.exe
#   Script/   the script and its bitmaps (tev_artwork)
#   Manual/   <ProgramName>.pdf, the user manual
# and zips it into ${CMAKE_BINARY_DIR}/dist/<ProgramName>-<version>-win64.zip
# (the version as the program's About box shows it, TEV_VERSION_TEXT).
# Target: tev_dist_<edition>, built by "all";
# its properties TEV_DIST_PROGRAM and TEV_DIST_ZIP name the packed program and
# the zip.
#
# The packed program is the build's, stripped of its symbols and debug
# information (the build's own copy keeps them). It is optimised when the
# build is: the cross build is Release unless told otherwise
# (cmake/mingw-w64.cmake).
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/Artwork.cmake)

function(tev_program_name edition out_var)
  if(edition STREQUAL "kappa")
    set(${out_var} KappaEdit PARENT_SCOPE)
  elseif(edition STREQUAL "sigma")
    set(${out_var} SigmaEdit PARENT_SCOPE)
  else()
    message(FATAL_ERROR "Unknown edition '${edition}' (kappa or sigma)")
  endif()
endfunction()

# The manual of one program, typeset from doc/Manual.ms with groff; the
# manual chooses its program's own words itself.
function(tev_manual edition out_var)
  tev_program_name(${edition} program)
  set(pdf ${CMAKE_BINARY_DIR}/manual/${program}.pdf)
  set(${out_var} ${pdf} PARENT_SCOPE)
  if(TARGET tev_manual_${edition})
    return()
  endif()
  find_program(TEV_GROFF groff NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(source ${PROJECT_SOURCE_DIR}/doc/Manual.ms)
  if(edition STREQUAL "sigma")
    set(sigma 1)
  else()
    set(sigma 0)
  endif()
  add_custom_command(
    OUTPUT ${pdf}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/manual
    COMMAND ${CMAKE_COMMAND}
      -DGROFF=${TEV_GROFF} -DSOURCE=${source} -DOUTPUT=${pdf}
      -DPROGRAM=${program} -DVERSION=${TEV_VERSION_TEXT} -DSIGMA=${sigma}
      -P ${PROJECT_SOURCE_DIR}/cmake/TypesetManual.cmake
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/TypesetManual.cmake ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Typesetting the ${program} manual"
    VERBATIM)
  add_custom_target(tev_manual_${edition} DEPENDS ${pdf})
endfunction()

function(tev_distribution target edition)
  if(NOT CMAKE_STRIP)
    message(FATAL_ERROR "The distribution needs a strip program (CMAKE_STRIP)")
  endif()
  if(NOT CMAKE_BUILD_TYPE MATCHES "^(Release|MinSizeRel|RelWithDebInfo)$")
    message(WARNING "The ${edition} zip of this build (CMAKE_BUILD_TYPE '${CMAKE_BUILD_TYPE}') holds an "
                    "unoptimised program; the zips for users come from a Release build.")
  endif()
  tev_program_name(${edition} program)
  tev_edition_script(${edition} script)
  tev_artwork(${edition})
  tev_manual(${edition} pdf)
  set(art ${CMAKE_BINARY_DIR}/artwork/${edition})
  set(dist ${CMAKE_BINARY_DIR}/dist/${program})
  set(zip ${CMAKE_BINARY_DIR}/dist/${program}-${TEV_VERSION_TEXT}-win64.zip)
  add_dependencies(${target} tev_artwork_${edition})
  add_custom_command(
    OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${dist}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dist}/Script ${dist}/Manual
    COMMAND ${CMAKE_STRIP} --strip-all -o ${dist}/${program}.exe $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${art}/Script ${dist}/Script
    COMMAND ${CMAKE_COMMAND} -E copy ${pdf} ${dist}/Manual/${program}.pdf
    COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/dist
            ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${program}
    DEPENDS ${target} tev_artwork_${edition} tev_manual_${edition} ${pdf} ${art}/Script/${script}
    COMMENT "Packing ${program}-${TEV_VERSION_TEXT}-win64.zip"
    VERBATIM)
  add_custom_target(tev_dist_${edition} ALL DEPENDS ${zip})
  set_target_properties(tev_dist_${edition} PROPERTIES
    TEV_DIST_PROGRAM ${dist}/${program}.exe TEV_DIST_ZIP ${zip})
endfunction()
