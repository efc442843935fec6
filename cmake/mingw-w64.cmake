# Cross build for Windows with Debian's MinGW-w64 tool chain (the posix thread model, so
# that std::thread and friends are available), linked statically so that the programs
# need no MinGW run-time libraries beside them. The tests run under Wine.
# Shared by the tool-chain files of the two targets, which set MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR before including it: mingw-w64-i686.cmake (32-bit Windows) and
# mingw-w64-x86_64.cmake (64-bit Windows).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's tree only; programs (the build tools,
# Wine, the test helpers) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Debian's wine starts 32-bit and 64-bit programs alike (32-bit ones need wine32:i386).
find_program(WINE_PROGRAM wine)
if(WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
endif()
