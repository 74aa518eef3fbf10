# Cross-builds the Windows client with MinGW-w64 (posix threads, so that
# std::thread works). wx-config of the cached toolkit is passed in as
# wxWidgets_CONFIG_EXECUTABLE by scripts/build-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZOVAZ_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZOVAZ_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOVAZ_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${ZOVAZ_MINGW_HOST}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZOVAZ_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
# BOTH: the toolkit lies outside the MinGW root, in its cache.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No MinGW DLL beside the executable: the C and C++ runtimes and winpthread
# are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The shipped executable carries no symbols.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
# Tests run their Windows executables under wine.
find_program(ZOVAZ_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine)
if(ZOVAZ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZOVAZ_WINE})
endif()
