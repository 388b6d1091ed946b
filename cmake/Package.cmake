# The Debian package (cpack -G DEB from the build folder). Its dependencies are worked out
# by dpkg-shlibdeps from the libraries the program links, not listed by hand.

set(CPACK_PACKAGE_NAME "vantrel")
set(CPACK_PACKAGE_VENDOR "Quillane")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show a live copy of any window on another display")
set(CPACK_PACKAGE_CONTACT "Quillane <vantrel@quillane.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillane.example/vantrel")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_INSTALL_PREFIX "/usr")
# Install with DESTDIR staging and the real prefix, so that Vantrel.conf names /usr and
# lands in /etc/xdg inside the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME "vantrel")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The summary above is the first line of the package description; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vantrel lists the windows open on an X11 desktop, with one numbered button\n\
per display in each row. Pressing a button shows a live, scaled copy of that\n\
window on the chosen display, drawn by the X server (Composite, RENDER and\n\
DAMAGE), without moving the window itself. Its texts come in English, German,\n\
French and Russian; further languages are plain-text catalog files.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 platform plugin ships in libqt6gui6, which the program links, so the computed
# dependencies already bring it.

# The settings file under /etc is a configuration file: dpkg keeps a changed copy on upgrade
# and removes it on purge.
set(_vantrel_conffiles "${PROJECT_BINARY_DIR}/debian/conffiles")
file(WRITE "${_vantrel_conffiles}" "${VANTREL_SYSTEM_CONFIG_DIR}/Quillane/Vantrel.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${_vantrel_conffiles}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The Debian documentation: the machine-readable copyright file and the package's changelog,
# compressed as Debian policy asks (gzip -9n: best compression, no name or time stamp inside).
if(NOT WIN32)
    set(_vantrel_debian "${PROJECT_SOURCE_DIR}/packaging/debian")
    file(STRINGS "${_vantrel_debian}/changelog" _vantrel_changelog_head LIMIT_COUNT 1)
    set(_vantrel_deb_version "${CPACK_DEBIAN_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
    if(NOT _vantrel_changelog_head MATCHES "^vantrel \\(${_vantrel_deb_version}\\) ")
        message(FATAL_ERROR "packaging/debian/changelog does not start with an entry for "
            "${_vantrel_deb_version}: add one for the new version")
    endif()
    find_program(VANTREL_GZIP gzip REQUIRED)
    set(_vantrel_changelog_gz "${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz")
    add_custom_command(OUTPUT "${_vantrel_changelog_gz}"
        COMMAND "${VANTREL_GZIP}" -9nc "${_vantrel_debian}/changelog" > "${_vantrel_changelog_gz}"
        DEPENDS "${_vantrel_debian}/changelog"
        COMMENT "Compressing the Debian changelog"
        VERBATIM)
    add_custom_target(vantrel_debian_changelog ALL DEPENDS "${_vantrel_changelog_gz}")
    install(FILES "${_vantrel_debian}/copyright" "${_vantrel_changelog_gz}"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")
    # The tags lintian would report that do not apply to this package, each with its reason.
    install(FILES "${_vantrel_debian}/lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME vantrel)
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
