# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix-thread compilers, whose
# libstdc++ has std::thread and std::mutex). Programs are linked statically, so they run
# under Wine or on Windows without the MinGW runtime DLLs; tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_vantrel_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_vantrel_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vantrel_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_vantrel_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_vantrel_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest (and gtest's test discovery) run the test programs through Wine.
find_program(VANTREL_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTREL_WINE})
