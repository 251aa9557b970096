# Cross build of the engine for 64-bit Windows with Debian's MinGW-w64
# compiler (g++-mingw-w64-x86-64-posix; the posix flavour has the standard
# thread library the engine uses). Ruzovizu.exe is linked statically, so it
# needs no DLL beside it. zlib comes from libz-mingw-w64-dev; oneTBB has no
# MinGW build, so the engine runs on one thread; the launcher is not built.
#
#   cmake --preset windows-cross && cmake --build --preset windows-cross
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RUZ_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${RUZ_MINGW_TRIPLE}-gcc-posix)
find_program(CMAKE_CXX_COMPILER NAMES ${RUZ_MINGW_TRIPLE}-g++-posix)
find_program(CMAKE_RC_COMPILER NAMES ${RUZ_MINGW_TRIPLE}-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "${RUZ_MINGW_TRIPLE}-g++-posix or -windres not found: "
                      "install g++-mingw-w64-x86-64-posix")
endif()

# Libraries and headers come from the MinGW tree only; programs run here.
set(CMAKE_FIND_ROOT_PATH /usr/${RUZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLL of the compiler's runtime, of winpthreads or of zlib.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(ZLIB_USE_STATIC_LIBS ON CACHE BOOL "Link zlib statically")

# kseq.h of htslib is a header-only parser: the host's copy serves. Only the
# htslib folder is copied into the build tree and put on the include path, so
# the host's C headers never shadow MinGW's.
get_property(ruz_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT ruz_in_try_compile AND NOT HTSLIB_KSEQ_INCLUDE_DIR AND EXISTS /usr/include/htslib/kseq.h)
  file(COPY /usr/include/htslib DESTINATION ${CMAKE_BINARY_DIR}/host-htslib
       FILES_MATCHING PATTERN "*.h")
  set(HTSLIB_KSEQ_INCLUDE_DIR ${CMAKE_BINARY_DIR}/host-htslib
      CACHE PATH "Folder holding htslib/kseq.h")
endif()

# Programs built here run under Wine when a build step or a test starts one.
find_program(RUZ_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(RUZ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RUZ_WINE})
endif()
