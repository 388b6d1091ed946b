# Installation layout (GNU directories), besides the program itself (app/CMakeLists.txt):
#   <datadir>/vantrel/Messages/*.lcl                  the shipped catalog files
#   <datadir>/applications/vantrel.desktop            the menu entry
#   <datadir>/icons/hicolor/{scalable,NxN}/apps/      the icon
#   <datadir>/metainfo/io.github.quillane.Vantrel.metainfo.xml
#   <system config dir>/Quillane/Vantrel.conf         tells the program where it is installed
#
# The program finds its catalog folder through QSettings (system scope, "Quillane",
# "Vantrel"), which on Linux reads Quillane/Vantrel.conf from $XDG_CONFIG_DIRS, /etc/xdg when
# that is unset. GNUInstallDirs would put configuration under <prefix>/etc for a /usr/local or
# /opt prefix, where QSettings never looks, so the file goes to /etc/xdg whatever the prefix.
# A packager with another XDG_CONFIG_DIRS setup can change VANTREL_SYSTEM_CONFIG_DIR.

set(VANTREL_SYSTEM_CONFIG_DIR "/etc/xdg" CACHE PATH
    "Absolute folder that holds Quillane/Vantrel.conf (a folder of $XDG_CONFIG_DIRS)")
if(NOT IS_ABSOLUTE "${VANTREL_SYSTEM_CONFIG_DIR}")
    message(FATAL_ERROR "VANTREL_SYSTEM_CONFIG_DIR must be an absolute path")
endif()

set(VANTREL_DATA_SUBDIR "${CMAKE_INSTALL_DATADIR}/vantrel")

install(DIRECTORY "${PROJECT_SOURCE_DIR}/Messages/"
    DESTINATION "${VANTREL_DATA_SUBDIR}/Messages"
    FILES_MATCHING PATTERN "*.lcl")

install(FILES "${PROJECT_SOURCE_DIR}/packaging/vantrel.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/io.github.quillane.Vantrel.metainfo.xml"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The icon: the scalable drawing and every rendered size found next to it, named either
# vantrel-<N>.png or <N>x<N>/vantrel.png.
set(_vantrel_icons "${PROJECT_SOURCE_DIR}/packaging/icons")
set(_vantrel_icon_theme "${CMAKE_INSTALL_DATADIR}/icons/hicolor")
install(FILES "${_vantrel_icons}/vantrel.svg" DESTINATION "${_vantrel_icon_theme}/scalable/apps")
file(GLOB _vantrel_pngs CONFIGURE_DEPENDS
    "${_vantrel_icons}/vantrel-*.png" "${_vantrel_icons}/*x*/vantrel.png")
foreach(_png IN LISTS _vantrel_pngs)
    set(_size "")
    if(_png MATCHES "/vantrel-([0-9]+)\\.png$")
        set(_size "${CMAKE_MATCH_1}")
    elseif(_png MATCHES "/([0-9]+)x[0-9]+/vantrel\\.png$")
        set(_size "${CMAKE_MATCH_1}")
    endif()
    if(_size)
        install(FILES "${_png}" DESTINATION "${_vantrel_icon_theme}/${_size}x${_size}/apps"
            RENAME vantrel.png)
    endif()
endforeach()

# Vantrel.conf names the installed data folder (the one that holds Messages). It is written
# at install time so that it follows the prefix given then (cmake --install --prefix, or the
# packager's /usr) and names the final path, never the DESTDIR staging folder.
set(_vantrel_conf_code [[
    set(_vantrel_data_dir "@VANTREL_DATA_SUBDIR@")
    if(NOT IS_ABSOLUTE "${_vantrel_data_dir}")
        set(_vantrel_data_dir "${CMAKE_INSTALL_PREFIX}/${_vantrel_data_dir}")
    endif()
    cmake_path(NORMAL_PATH _vantrel_data_dir)
    string(REGEX REPLACE "(.)/$" "\\1" _vantrel_data_dir "${_vantrel_data_dir}")
    # QSettings' INI syntax: a value with a comma would read as a list, and quotes,
    # backslashes and semicolons are special; such a value is written quoted and escaped.
    set(_vantrel_value "${_vantrel_data_dir}")
    if(_vantrel_value MATCHES "[,;\"\\\\#=]|^ | $")
        string(REPLACE "\\" "\\\\" _vantrel_value "${_vantrel_value}")
        string(REPLACE "\"" "\\\"" _vantrel_value "${_vantrel_value}")
        set(_vantrel_value "\"${_vantrel_value}\"")
    endif()
    set(_vantrel_conf "$ENV{DESTDIR}@VANTREL_SYSTEM_CONFIG_DIR@/Quillane/Vantrel.conf")
    message(STATUS "Installing: ${_vantrel_conf}")
    file(WRITE "${_vantrel_conf}" "[General]\nInstallPath=${_vantrel_value}\n")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_vantrel_conf}")
]])
string(CONFIGURE "${_vantrel_conf_code}" _vantrel_conf_code @ONLY)
install(CODE "${_vantrel_conf_code}")

# cmake --install --strip and the package (CPACK_STRIP_FILES) strip the program's symbols;
# the compiler's .comment and .note sections go too, as Debian's own packages do.
if(TARGET vantrel AND NOT WIN32 AND CMAKE_OBJCOPY)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:vantrel>\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endif()
