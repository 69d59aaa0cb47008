# Shared by the Windows toolchain files, which set OSTRYA_MINGW_ARCH (i686 or x86_64) first:
# the posix-thread mingw compilers (the win32-thread variant has no std::thread), against the
# libraries scripts/deps.sh builds into build/deps/<arch>.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${OSTRYA_MINGW_ARCH})
set(OSTRYA_MINGW ${OSTRYA_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${OSTRYA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTRYA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTRYA_MINGW}-windres)

get_filename_component(OSTRYA_DEPS_PREFIX
                       "${CMAKE_CURRENT_LIST_DIR}/../build/deps/${OSTRYA_MINGW_ARCH}" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH ${OSTRYA_DEPS_PREFIX} /usr/${OSTRYA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
