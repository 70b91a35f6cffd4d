# Cross-build for 64-bit Windows with Debian's mingw-w64 (posix threads) against a prefix that
# holds Qt and the C libraries built for it (SOLVANE_MINGW_PREFIX). The host's own Qt of the
# same version supplies moc, uic, rcc and lrelease.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT SOLVANE_MINGW_PREFIX AND DEFINED ENV{SOLVANE_MINGW_PREFIX})
  set(SOLVANE_MINGW_PREFIX $ENV{SOLVANE_MINGW_PREFIX})
endif()
if(NOT SOLVANE_MINGW_PREFIX)
  message(FATAL_ERROR "Set SOLVANE_MINGW_PREFIX to the Windows prefix (scripts/windows/build.sh does)")
endif()
# Try-compiles run in projects of their own: they need the prefix handed on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SOLVANE_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH ${SOLVANE_MINGW_PREFIX} /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Qt's host tools are found through QT_HOST_PATH, outside the root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
list(APPEND CMAKE_PREFIX_PATH ${SOLVANE_MINGW_PREFIX})

set(QT_HOST_PATH /usr CACHE PATH "Host Qt of the same version")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt's CMake packages")

# ctest runs the test programs under Wine.
find_program(SOLVANE_WINE wine)
if(SOLVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SOLVANE_WINE})
endif()
