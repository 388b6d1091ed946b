# VANTREL_WAYLAND_BACKEND_ONLY: the seam, the Wayland backend, its tests and its benchmark,
# nothing else (scripts/test-wayland). The seam target is made here when platform/ does not
# provide it.
# wayland-scanner writes C.
enable_language(C)
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets DBus)
if(NOT TARGET vantrel_platform)
    add_library(vantrel_platform STATIC
        platform/CodePages.h platform/Compositor.h platform/DisplayList.h
        platform/Platform.h platform/SystemServices.h platform/WindowList.h)
    target_include_directories(vantrel_platform PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(vantrel_platform PUBLIC Qt6::Core Qt6::Gui)
endif()
add_subdirectory(platform/wayland)
if(VANTREL_TESTS)
    enable_testing()
    find_package(GTest REQUIRED)
    include(GoogleTest)
    include(cmake/VantrelTest.cmake)
    add_subdirectory(tests/wayland)
endif()
if(VANTREL_BENCH)
    add_subdirectory(bench/wayland)
endif()
