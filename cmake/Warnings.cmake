# Applied to our own targets only; third-party headers come in as SYSTEM.
# Warnings stop the build only where we ask for it (the dev and CI presets,
# ./dev): a newer compiler's new warning must not break someone's install.
option(INVITED_WERROR "Treat warnings as errors" OFF)

function(invited_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           $<$<BOOL:${INVITED_WERROR}>:-Werror>)
endfunction()
