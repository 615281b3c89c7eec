# Our own code builds warning-free; third-party headers are included as system headers.
function(dr420_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  target_compile_definitions(${target} PRIVATE QT_NO_FOREACH)
endfunction()
