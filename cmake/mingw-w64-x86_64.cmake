# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads flavour, for
# std::thread): scripts/build build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Statically linked, the toolkit-free programs run without the MinGW runtime DLLs beside them.
# Against the Qt of scripts/build-qt-windows (whose toolchain file loads this one: see
# scripts/test-windows-qt), the programs share the runtime DLLs with Qt's.
if("${QT_CHAINLOAD_TOOLCHAIN_FILE}" STREQUAL "")
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

# Test programs are listed and run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
