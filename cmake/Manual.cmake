# The manual page vantrel(1), written in scdoc (docs/man/vantrel.1.scd) and turned into roff
# by the build, and the bash completion (packaging/completion/vantrel). Linux only: the
# Windows build has neither man nor bash.
#   <mandir>/man1/vantrel.1.gz
#   <bash-completion's completionsdir>/vantrel   (share/bash-completion/completions without it)

if(WIN32)
    return()
endif()

option(VANTREL_MANPAGE "Build and install the manual page (needs scdoc)" ON)
if(VANTREL_MANPAGE)
    find_program(VANTREL_SCDOC scdoc)
    if(NOT VANTREL_SCDOC)
        message(FATAL_ERROR "scdoc was not found: it turns docs/man/vantrel.1.scd into the "
            "manual page. Install it (Debian package scdoc) or configure with "
            "-DVANTREL_MANPAGE=OFF to build without the manual page.")
    endif()
    find_program(VANTREL_GZIP gzip REQUIRED)
    set(_vantrel_man_source "${PROJECT_SOURCE_DIR}/docs/man/vantrel.1.scd")
    set(_vantrel_man "${PROJECT_BINARY_DIR}/man/vantrel.1")
    # scdoc dates the page by SOURCE_DATE_EPOCH when the environment sets it.
    add_custom_command(OUTPUT "${_vantrel_man}" "${_vantrel_man}.gz"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/man"
        COMMAND "${VANTREL_SCDOC}" < "${_vantrel_man_source}" > "${_vantrel_man}"
        COMMAND "${VANTREL_GZIP}" -9nkf "${_vantrel_man}"
        DEPENDS "${_vantrel_man_source}"
        COMMENT "Writing the manual page vantrel(1)"
        VERBATIM)
    add_custom_target(vantrel_manpage ALL DEPENDS "${_vantrel_man}.gz")
    install(FILES "${_vantrel_man}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endif()

# bash-completion's folder, relative to its prefix so that it follows the installation's.
set(_vantrel_completions "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_get_variable(_vantrel_bc_dir bash-completion completionsdir)
    pkg_get_variable(_vantrel_bc_prefix bash-completion prefix)
    if(_vantrel_bc_dir AND _vantrel_bc_prefix
       AND _vantrel_bc_dir MATCHES "^${_vantrel_bc_prefix}/(.+)$")
        set(_vantrel_completions "${CMAKE_MATCH_1}")
    elseif(_vantrel_bc_dir)
        set(_vantrel_completions "${_vantrel_bc_dir}")
    endif()
endif()
set(VANTREL_BASH_COMPLETIONS_DIR "${_vantrel_completions}" CACHE STRING
    "Folder for the bash completion, relative to the prefix or absolute")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/completion/vantrel"
    DESTINATION "${VANTREL_BASH_COMPLETIONS_DIR}")
