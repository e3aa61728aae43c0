# Cross build for Windows x64 with mingw-w64 (posix thread model); the
# programs run here under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(JOBHOST_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${JOBHOST_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${JOBHOST_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${JOBHOST_MINGW_TRIPLE}-windres)
set(JOBHOST_OBJDUMP ${JOBHOST_MINGW_TRIPLE}-objdump)
set(JOBHOST_STRIP ${JOBHOST_MINGW_TRIPLE}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${JOBHOST_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every shipped file must run from its own folder on a bare system: the C++
# runtime, libgcc and winpthread are linked in, never imported.
set(JOBHOST_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${JOBHOST_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${JOBHOST_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${JOBHOST_STATIC_RUNTIME}")

# Tests run under Wine, in a prefix of the build folder's own (made on first use).
find_program(JOBHOST_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT JOBHOST_WINE)
  find_program(JOBHOST_WINE NAMES wine64 wine)
endif()
if(JOBHOST_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /bin/sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${JOBHOST_WINE} ${CMAKE_BINARY_DIR}/wineprefix)
endif()
