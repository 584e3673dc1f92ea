# SPDX-License-Identifier: GPL-3.0-or-later
# Strict warnings for the project's own targets.
function(aquenta_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(AQUENTA_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
