# Typesets the user manual (cmake -P): groff with the ms macros, PDF output.
# -D GROFF, SOURCE, OUTPUT, PROGRAM, VERSION, SIGMA (1 for SigmaEdit, 0 for
# KappaEdit).
execute_process(
  COMMAND ${GROFF} -ms -Tpdf -dProgram=${PROGRAM} -dVersion=${VERSION} -rSigma=${SIGMA} ${SOURCE}
  OUTPUT_FILE ${OUTPUT}
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "groff failed (${result}): ${errors}")
endif()
