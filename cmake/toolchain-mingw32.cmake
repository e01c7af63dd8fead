# Cross-compiles for 32-bit Windows (x86), for 32-bit hosts.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
# SSE2 doubles, not the x87's extended precision: floating-point results
# (the simulator's force model, the probe's traces) then match the x64 build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
