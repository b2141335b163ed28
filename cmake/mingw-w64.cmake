# Cross build for 64-bit Windows on Debian with mingw-w64 (posix threads,
# so std::thread works). The program is linked statically: the C++ and GCC
# runtimes and winpthread are inside packwright-cli.exe, which then runs on a
# plain Windows 10 or 11. Programs built here run under wine64 for tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The header-only libraries (CLI11, nlohmann/json) come from the build
# machine's packages, but not /usr/include itself, whose C headers are
# Linux's: their headers and CMake files are staged in a folder of their own.
set(host ${CMAKE_BINARY_DIR}/host)
foreach(pkg CLI11:CLI nlohmann_json:nlohmann)
  string(REPLACE ":" ";" pkg ${pkg})
  list(GET pkg 0 name)
  list(GET pkg 1 headers)
  if(EXISTS /usr/share/cmake/${name} AND EXISTS /usr/include/${headers})
    file(MAKE_DIRECTORY ${host}/include ${host}/share/cmake)
    file(COPY /usr/share/cmake/${name} DESTINATION ${host}/share/cmake)
    file(CREATE_LINK /usr/include/${headers} ${host}/include/${headers} SYMBOLIC)
    set(${name}_DIR ${host}/share/cmake/${name})
  endif()
endforeach()
# xxHash is used from its one header, and dtl (the window's text
# differences) from its headers.
if(EXISTS /usr/include/xxhash.h)
  file(MAKE_DIRECTORY ${host}/include)
  file(CREATE_LINK /usr/include/xxhash.h ${host}/include/xxhash.h SYMBOLIC)
endif()
if(EXISTS /usr/include/dtl)
  file(MAKE_DIRECTORY ${host}/include)
  file(CREATE_LINK /usr/include/dtl ${host}/include/dtl SYMBOLIC)
endif()
# zlib from libz-mingw-w64-dev, linked in statically like the runtimes.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# GCC 12 warns falsely about std::string copies at -O2 (its bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
# Windows 10 is the oldest system the program is built for.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE)
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(PACKWRIGHT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(PACKWRIGHT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PACKWRIGHT_WINE})
  endif()
endif()
