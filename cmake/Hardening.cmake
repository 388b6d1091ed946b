# The hardening flags Debian builds its packages with: fortified libc calls, stack protector,
# read-only relocations and immediate binding. Only for optimised builds (fortification needs
# optimisation) with GCC or Clang on ELF targets, and never together with the sanitizers or
# the fuzz targets, whose runtimes bring their own checks.
option(VANTREL_HARDENING "Build optimised configurations with the hardening flags" ON)

if(VANTREL_HARDENING AND NOT VANTREL_SANITIZE AND NOT VANTREL_FUZZ AND NOT WIN32 AND NOT APPLE
   AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
    set(_vantrel_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
    # -U first: some compilers define their own level already.
    add_compile_options("$<${_vantrel_optimised}:-U_FORTIFY_SOURCE>"
        "$<${_vantrel_optimised}:-D_FORTIFY_SOURCE=2>"
        "$<${_vantrel_optimised}:-fstack-protector-strong>")
    add_link_options("$<${_vantrel_optimised}:LINKER:-z,relro,-z,now>")
endif()
