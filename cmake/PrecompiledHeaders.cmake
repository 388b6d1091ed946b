# Precompiled headers: Qt's, the standard library's and GoogleTest's headers are most of the
# time spent compiling a file here, so they are compiled once per build into two headers, one
# for the program's code and one for the tests, and every Qt target reuses one of them.
#
# GCC uses a precompiled header only when the macros it was built with are defined the same
# way in the file that uses it, so both are built with Qt Core's definitions alone (every
# user links Qt Core; the tests' one adds GoogleTest's) and Qt Gui's and Widgets' include
# folders without their definitions.
# Off for the fuzz targets (clang, other instrumentation), on Windows and with other
# compilers; -DVANTREL_PCH=OFF turns it off.
option(VANTREL_PCH "Precompile the Qt, standard library and GoogleTest headers" ON)

set(_vantrel_pch_headers
    <algorithm> <cstdint> <functional> <map> <memory> <optional> <string> <vector>
    <QApplication> <QByteArray> <QDir> <QElapsedTimer> <QFile> <QImage> <QObject>
    <QProcess> <QRect> <QString> <QStringList> <QTimer> <QWidget>)

function(_vantrel_pch_target name)
    set(_source "${CMAKE_BINARY_DIR}/${name}.cpp")
    file(CONFIGURE OUTPUT "${_source}" CONTENT "// The precompiled header's own unit.\n")
    add_library(${name} STATIC "${_source}")
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF)
    target_link_libraries(${name} PRIVATE Qt6::Core)
    target_include_directories(${name} SYSTEM PRIVATE
        $<TARGET_PROPERTY:Qt6::Gui,INTERFACE_INCLUDE_DIRECTORIES>
        $<TARGET_PROPERTY:Qt6::Widgets,INTERFACE_INCLUDE_DIRECTORIES>)
endfunction()

# vantrel_use_precompiled_headers(<folder>): every C++ target under the folder that links Qt
# reuses the tests' header when it links GoogleTest, else the program's.
function(vantrel_use_precompiled_headers dir)
    if(NOT VANTREL_PCH OR WIN32 OR VANTREL_FUZZ OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        return()
    endif()
    if(NOT TARGET vantrel_pch_program)
        _vantrel_pch_target(vantrel_pch_program)
        target_precompile_headers(vantrel_pch_program PRIVATE ${_vantrel_pch_headers})
        if(TARGET GTest::gtest)
            _vantrel_pch_target(vantrel_pch_tests)
            target_link_libraries(vantrel_pch_tests PRIVATE GTest::gtest)
            target_precompile_headers(vantrel_pch_tests PRIVATE
                ${_vantrel_pch_headers} <gtest/gtest.h>)
        endif()
    endif()
    _vantrel_pch_folder("${dir}")
endfunction()

function(_vantrel_pch_folder dir)
    get_property(_targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
    foreach(_target IN LISTS _targets)
        _vantrel_pch_apply(${_target})
    endforeach()
    get_property(_folders DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
    foreach(_folder IN LISTS _folders)
        _vantrel_pch_folder("${_folder}")
    endforeach()
endfunction()

function(_vantrel_pch_apply target)
    get_target_property(_type ${target} TYPE)
    if(NOT _type MATCHES "^(STATIC_LIBRARY|EXECUTABLE|OBJECT_LIBRARY)$"
       OR target MATCHES "^vantrel_pch_")
        return()
    endif()
    get_target_property(_libs ${target} LINK_LIBRARIES)
    _vantrel_links_qt("${_libs}" _qt)
    if(NOT _qt)
        return()
    endif()
    # PipeWire's pkg-config flags add -D_REENTRANT, which would make the header unusable
    # there (pkg-config's targets are local to their folder, so they are known by name).
    if(_libs MATCHES "PkgConfig::[A-Z_]*PIPEWIRE")
        return()
    endif()
    # C files (the generated Wayland protocol code) keep compiling without one.
    get_target_property(_sources ${target} SOURCES)
    get_target_property(_folder ${target} SOURCE_DIR)
    foreach(_source IN LISTS _sources)
        if(_source MATCHES "\\.c$")
            set_source_files_properties("${_source}" TARGET_DIRECTORY ${target}
                DIRECTORY "${_folder}" PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
        endif()
    endforeach()
    if(_libs MATCHES "GTest::" AND TARGET vantrel_pch_tests)
        target_precompile_headers(${target} REUSE_FROM vantrel_pch_tests)
    else()
        target_precompile_headers(${target} REUSE_FROM vantrel_pch_program)
    endif()
endfunction()

# Whether a target with these link libraries gets Qt Core's definitions and -fPIC: it links
# Qt itself or through the public links of a library of ours.
function(_vantrel_links_qt libs result)
    set(${result} OFF PARENT_SCOPE)
    foreach(_lib IN LISTS libs)
        if(_lib MATCHES "^Qt6::")
            set(${result} ON PARENT_SCOPE)
            return()
        endif()
        if(TARGET "${_lib}" AND _lib MATCHES "^vantrel_")
            get_target_property(_public "${_lib}" INTERFACE_LINK_LIBRARIES)
            if(_public)
                _vantrel_links_qt("${_public}" _found)
                if(_found)
                    set(${result} ON PARENT_SCOPE)
                    return()
                endif()
            endif()
        endif()
    endforeach()
endfunction()
