# Warnings are errors in our own code only; third-party code (GoogleTest from
# source) is built with its own flags.
function(velmora_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror -Wformat=2 -Wno-format-nonliteral -Wundef -Wvla)
endfunction()
