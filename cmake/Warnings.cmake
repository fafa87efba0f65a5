# Warnings for every target of the project; -Werror where asked (CI always asks).
function(vpo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VPO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
