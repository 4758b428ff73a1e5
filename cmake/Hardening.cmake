# Hardening for every build, not only the release one: a stack protector on
# functions with arrays or address-taken locals, position-independent
# executables, and a read-only relocation table bound at start-up (full RELRO)
# so that no function pointer in it can be overwritten later.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
add_link_options(-Wl,-z,relro,-z,now -Wl,-z,noexecstack)

# Checked string and memory calls need the optimiser to know buffer sizes, so
# they apply to optimised builds only. Sanitized builds leave them out: their
# own checks are stronger, and the checked calls would bypass the sanitizers'
# interceptors.
if(NOT INVITED_SANITIZE AND NOT INVITED_FUZZ)
  add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
