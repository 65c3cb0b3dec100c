# Toolchain for the Windows x86-64 build with Debian's mingw-w64 (posix threads), static runtime.
# Usage:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Tests then run under Wine through cmake/run-test.sh, in a private prefix inside build-win.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
# The project's own static Qt (cmake/qt-mingw.sh prints its prefix; build.sh passes it): packages
# are found only under the find root, so the prefix joins it.
if(OBLIVAR_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${OBLIVAR_QT_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
