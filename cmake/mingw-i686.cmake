# Cross-compiles the Windows build: 32-bit, posix-thread mingw (the win32-thread variant has no
# std::thread), against the libraries scripts/deps.sh builds into build/deps/i686.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OSTRYA_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${OSTRYA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTRYA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTRYA_MINGW}-windres)

get_filename_component(OSTRYA_DEPS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build/deps/i686" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH ${OSTRYA_DEPS_PREFIX} /usr/${OSTRYA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
