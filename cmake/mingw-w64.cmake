# What both MinGW-w64 toolchains share; each sets velarium_mingw_arch and includes this file.
# Cross-compiles with Debian's MinGW-w64; the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${velarium_mingw_arch})

# The "posix" thread model: std::thread and std::mutex need it with GCC 12.
set(CMAKE_C_COMPILER ${velarium_mingw_arch}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${velarium_mingw_arch}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${velarium_mingw_arch}-w64-mingw32-windres)

# A Qt built for MinGW may be added with -DCMAKE_FIND_ROOT_PATH=its-prefix.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${velarium_mingw_arch}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime linked in, so that the executables need no DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
