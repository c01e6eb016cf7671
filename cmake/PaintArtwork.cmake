# Runs the artwork tool of one edition (cmake -P) and keeps its warnings in
# a file, so that a later build that paints nothing can still show them:
# tools/run-kappa.sh prints the file after every build. The warnings also
# go to the build's own output, as the tool writes them. When the tool
# fails, the file goes and the build stops with the tool's errors.
# -D TOOL, EDITION, OUTPUT (the artwork folder), SCRIPT, WARNINGS (the file).
execute_process(
  COMMAND ${TOOL} ${EDITION} ${OUTPUT} ${SCRIPT}
  ERROR_VARIABLE messages
  RESULT_VARIABLE result)
string(REGEX REPLACE "\n$" "" shown "${messages}")
if(NOT result EQUAL 0)
  file(REMOVE ${WARNINGS})
  message(FATAL_ERROR "tev_artwork failed (${result}):\n${shown}")
endif()
if(NOT shown STREQUAL "")
  message(NOTICE "${shown}")
endif()
file(WRITE ${WARNINGS} "${messages}")
