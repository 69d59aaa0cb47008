# Cross-compiles the 32-bit Windows build, the release build.
set(OSTRYA_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
