# Cross-compiles the 64-bit Windows build from the same sources.
set(OSTRYA_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
