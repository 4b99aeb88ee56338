# 32-bit Windows, the program's own target.
set(velarium_mingw_arch i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# SSE2 arithmetic, as on every other target: the x87 unit's wider intermediates would round
# drawing coordinates differently. Every Windows since 8 requires SSE2 anyway.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
