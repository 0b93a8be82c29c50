# Cross-builds the Windows screen saver with MinGW-w64 on Debian. The POSIX
# thread flavour of the compiler is used, since the core and the media layer
# use std::thread and std::mutex; everything, its runtime included, is linked
# statically so that Framory.scr is one file that runs on any Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FRAMORY_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FRAMORY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FRAMORY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FRAMORY_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FRAMORY_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs and the tests' own helpers run under Wine, through a script
# that keeps a private Wine prefix in the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
