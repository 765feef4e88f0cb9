# Cross-building for 64-bit Windows with Debian's mingw-w64 (POSIX thread model); the tests
# run under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TRACKKML_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRACKKML_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRACKKML_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TRACKKML_MINGW}-windres)
# Libraries built for Windows (GoogleTest, Qt) live under these prefixes.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TRACKKML_MINGW} ${TRACKKML_WIN64_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
endif()
