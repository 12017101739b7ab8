# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model), e.g.
#   cmake -S . -B build-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=/path/to/qt6-mingw/prefix -DTENSILO_BUILD_TESTS=OFF
# (or -DTENSILO_BUILD_GUI=OFF, without a Qt, for the lister and the backend alone).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TENSILO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TENSILO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TENSILO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TENSILO_MINGW_TRIPLE}-windres)

# Libraries, headers and packages are searched for only below these roots, never in the host's
# /usr, so that a Linux library (the host's own Qt among them) cannot be picked up. The prefixes
# named by CMAKE_PREFIX_PATH (a Qt built for Windows) become roots too: a prefix outside every
# root would otherwise be searched for below /usr/x86_64-w64-mingw32 and not found.
set(CMAKE_FIND_ROOT_PATH /usr/${TENSILO_MINGW_TRIPLE})
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
    list(APPEND CMAKE_FIND_ROOT_PATH ${prefix})
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt for Windows runs its code generators (moc, rcc, uic) from the host: Debian's own Qt of the
# same version, from qt6-base-dev-tools, whose CMake packages live in the multiarch folder.
set(QT_HOST_PATH /usr CACHE PATH "Prefix of the host's Qt, whose tools the cross build runs")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake
    CACHE PATH "CMake packages of the host's Qt")

# The programs use the compiler's runtime DLLs (libstdc++-6.dll, libgcc_s_seh-1.dll,
# libwinpthread-1.dll), which the packages ship beside them because Qt's DLLs need them too: one
# C++ runtime in the process, not a copy linked into each program beside the DLLs' own. A build
# whose programs must run without those DLLs beside them links the runtime in by passing
#   -DCMAKE_EXE_LINKER_FLAGS="-static -static-libgcc -static-libstdc++"
