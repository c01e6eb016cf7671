# The artwork step of a script with a bitmap beside it that the script
# declares no bitmap for keeps the tool's warning naming it in its file.
#   cmake -DPAINT=<cmake/PaintArtwork.cmake> -DTOOL=<tev_artwork> -DSCRIPT=<KappaEditScript.xml>
#         -DWORK=<scratch folder> -P CheckArtworkWarnings.cmake
file(REMOVE_RECURSE ${WORK})
file(COPY ${SCRIPT} DESTINATION ${WORK}/source)
file(WRITE ${WORK}/source/stray.bmp "")
get_filename_component(name ${SCRIPT} NAME)
execute_process(COMMAND ${CMAKE_COMMAND} -D TOOL=${TOOL} -D EDITION=kappa -D OUTPUT=${WORK}/artwork
                        -D SCRIPT=${WORK}/source/${name} -D WARNINGS=${WORK}/warnings.txt -P ${PAINT}
                RESULT_VARIABLE result ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The artwork step failed: ${result}")
endif()
file(READ ${WORK}/warnings.txt kept)
string(FIND "${kept}" "stray.bmp beside the script is no bitmap the script declares" at)
if(at EQUAL -1)
  message(FATAL_ERROR "The artwork step kept\n${kept}without the warning about stray.bmp")
endif()
