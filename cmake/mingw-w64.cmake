# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread model: GCC 12's win32 model
# has no std::thread or std::mutex). Everything links statically, so the DLL and the programs import
# only Windows system DLLs (-static-libgcc -static-libstdc++ alone still pull in libwinpthread-1.dll).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KT4R_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KT4R_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KT4R_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KT4R_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KT4R_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KT4R_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# libpng built from Debian's source package by tools/build-libpng-mingw, cached outside the build
# folders (.cache/, or $KT4R_CACHE); "current" points at the version folder of the last build.
if(NOT KT4R_MINGW_LIBPNG_DIR)
  if(DEFINED ENV{KT4R_MINGW_LIBPNG_DIR})
    set(KT4R_MINGW_LIBPNG_DIR "$ENV{KT4R_MINGW_LIBPNG_DIR}")
  elseif(DEFINED ENV{KT4R_CACHE})
    set(KT4R_MINGW_LIBPNG_DIR "$ENV{KT4R_CACHE}/mingw-libpng/current")
  else()
    get_filename_component(KT4R_MINGW_LIBPNG_DIR "${CMAKE_CURRENT_LIST_DIR}/../.cache/mingw-libpng/current" ABSOLUTE)
  endif()
endif()
set(KT4R_MINGW_LIBPNG_DIR "${KT4R_MINGW_LIBPNG_DIR}" CACHE PATH "Prefix of the mingw libpng build")

set(CMAKE_FIND_ROOT_PATH /usr/${KT4R_MINGW_TRIPLE} ${KT4R_MINGW_LIBPNG_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives: find_package(ZLIB) takes libz.a from libz-mingw-w64-dev, not its import library
# libz.dll.a (the Windows platform module resets CMAKE_FIND_LIBRARY_SUFFIXES, so the paths are named).
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_INCLUDE_DIR /usr/${KT4R_MINGW_TRIPLE}/include CACHE PATH "")
set(ZLIB_LIBRARY /usr/${KT4R_MINGW_TRIPLE}/lib/libz.a CACHE FILEPATH "")
if(EXISTS ${KT4R_MINGW_LIBPNG_DIR}/lib/libpng16.a)
  set(PNG_PNG_INCLUDE_DIR ${KT4R_MINGW_LIBPNG_DIR}/include CACHE PATH "")
  set(PNG_LIBRARY ${KT4R_MINGW_LIBPNG_DIR}/lib/libpng16.a CACHE FILEPATH "")
endif()

# Tests, test discovery and add_test commands run the Windows programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run")
