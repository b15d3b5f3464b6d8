# Shipping build: 32-bit Windows, MinGW-w64 from Debian; tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Its tests run in a 32-bit Windows (a win32 prefix under Wine's 32-bit
# loader), as on Windows NT 4.0 and 2000.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env;SETUPVDL_WINE_BITS=32;${CMAKE_CURRENT_LIST_DIR}/../tests/harness/wine-case.sh)
