# Cross-builds the Windows (x86-64) core and command-line tool with Debian's
# MinGW-w64 compilers (g++-mingw-w64-x86-64-posix). Use with -DCORVANE_GUI=OFF.
# Extra prefixes (GoogleTest, the header-only libraries): -DCMAKE_PREFIX_PATH=...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVANE_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${CORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TRIPLET}-windres)

# Only the MinGW tree and the prefixes given in CMAKE_PREFIX_PATH are searched
# for libraries, headers and packages, never the Linux system folders.
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C++ runtime, winpthreads and zlib linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${CORVANE_MINGW_TRIPLET}/lib/libz.a CACHE FILEPATH "zlib for MinGW")
set(ZLIB_INCLUDE_DIR /usr/${CORVANE_MINGW_TRIPLET}/include CACHE PATH "zlib headers for MinGW")

# Tests run under Wine on Linux.
find_program(CORVANE_WINE NAMES wine wine64)
if(CORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVANE_WINE})
endif()
