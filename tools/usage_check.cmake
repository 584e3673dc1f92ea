# SPDX-License-Identifier: GPL-3.0-or-later
# Runs TOOL with ARG (--help or -h) in an empty folder DIR: it must print its usage on
# standard output, exit 0 and write no file (a file named after the option was a fault).
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
execute_process(COMMAND "${TOOL}" "${ARG}" WORKING_DIRECTORY "${DIR}" RESULT_VARIABLE code OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${TOOL} ${ARG} exited ${code}: ${err}")
endif()
if(NOT out MATCHES "^usage: ")
  message(FATAL_ERROR "${TOOL} ${ARG} printed no usage: ${out}")
endif()
file(GLOB written "${DIR}/*")
if(written)
  message(FATAL_ERROR "${TOOL} ${ARG} wrote ${written}")
endif()
# An unknown option is wrong usage: exit 2, nothing written.
execute_process(COMMAND "${TOOL}" --no-such-option WORKING_DIRECTORY "${DIR}" RESULT_VARIABLE code OUTPUT_QUIET
                ERROR_QUIET)
file(GLOB written "${DIR}/*")
if(NOT code EQUAL 2 OR written)
  message(FATAL_ERROR "${TOOL} --no-such-option exited ${code}, wrote '${written}'")
endif()
file(REMOVE_RECURSE "${DIR}")
