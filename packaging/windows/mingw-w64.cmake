# CMake toolchain for 64-bit Windows with Debian's mingw-w64, posix thread model (Qt needs
# std::thread and friends, which the win32 model lacks).
# SPESARIO_WINDOWS_PREFIX (cache variable or environment) names the folder that
# packaging/windows/dipendenze.sh filled; libraries and packages are looked up there only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_tripletta x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_tripletta}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tripletta}-g++-posix)
set(CMAKE_RC_COMPILER ${_tripletta}-windres)
set(CMAKE_AR ${_tripletta}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_tripletta}-ranlib CACHE FILEPATH "")

if(NOT SPESARIO_WINDOWS_PREFIX AND DEFINED ENV{SPESARIO_WINDOWS_PREFIX})
    set(SPESARIO_WINDOWS_PREFIX "$ENV{SPESARIO_WINDOWS_PREFIX}")
endif()
# try_compile projects see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SPESARIO_WINDOWS_PREFIX)

# The compiler's own sysroot (Debian's mingw-w64 packages) and the cache of built parts.
set(CMAKE_FIND_ROOT_PATH /usr/${_tripletta})
if(SPESARIO_WINDOWS_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH ${SPESARIO_WINDOWS_PREFIX} ${SPESARIO_WINDOWS_PREFIX}/qt)
    # pkg-config reads the .pc files of the cache, never the host's.
    set(ENV{PKG_CONFIG_LIBDIR} "${SPESARIO_WINDOWS_PREFIX}/lib/pkgconfig")
    set(ENV{PKG_CONFIG_PATH} "")
    set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
