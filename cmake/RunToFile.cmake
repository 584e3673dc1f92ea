# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DPROGRAM=... -DARGS="a;b" -DOUTPUT=... -P RunToFile.cmake: the program's standard
# output into a file, failing the build when the program fails.
execute_process(COMMAND ${PROGRAM} ${ARGS} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "${PROGRAM} ${ARGS} failed: ${result}")
endif()
