# Every file of the family carries the prefix and the Windows-style suffix on
# every target, so the naming rule (prefix = file name minus its last seven
# characters) is the same everywhere.
function(jobhost_family_executable target suffix)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME "${JOBHOST_PREFIX}${suffix}" SUFFIX ".exe")
endfunction()

function(jobhost_family_library target suffix)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${JOBHOST_PREFIX}${suffix}" SUFFIX ".dll")
endfunction()
