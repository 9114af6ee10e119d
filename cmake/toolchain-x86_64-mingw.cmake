# Cross build for 64-bit Windows with Debian's mingw-w64. Morvix ships as a
# 32-bit exe; this build runs the same sources under 64-bit Wine on machines
# that cannot run 32-bit Wine (see tools/wine-env.sh):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-mingw.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
# The posix thread model: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The 64-bit loader itself: /usr/bin/wine would try the 32-bit one first.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
