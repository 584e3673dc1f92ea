# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the layering probes of one layer of the core (see src/core/CMakeLists.txt):
#   cmake -DBUILD_DIR=DIR -DCONFIG=CFG -DALLOWED=TARGET -DFORBIDDEN="TARGET=HEADER;..." -P CheckLayer.cmake
# ALLOWED includes every folder the layer may use and must build. Each FORBIDDEN target
# includes HEADER of a higher layer and must fail, for not finding it.
set(config_args)
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()

execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} ${config_args} --target ${ALLOWED}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${ALLOWED} does not build, so the probes below prove nothing:\n${output}")
endif()
message(STATUS "${ALLOWED}: builds")

set(failures 0)
foreach(entry ${FORBIDDEN})
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 target)
  list(GET parts 1 header)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} ${config_args} --target ${target}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(result EQUAL 0)
    message(SEND_ERROR "${target}: including ${header} builds, but it belongs to a higher layer")
    math(EXPR failures "${failures} + 1")
  elseif(NOT output MATCHES "${header}")
    message(SEND_ERROR "${target}: fails, but not for ${header}:\n${output}")
    math(EXPR failures "${failures} + 1")
  else()
    message(STATUS "${target}: ${header} not found, as it should be")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} layering probe(s) went wrong")
endif()
