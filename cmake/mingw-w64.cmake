# Cross build for Windows with MinGW-w64 from the package archive. KVPW_WINDOWS_ARCH picks the
# target: x86_64 (the default) or i686. The posix thread model gives the standard library its
# threads and mutexes; everything is linked statically, so the DLL needs no MinGW runtime beside it.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT KVPW_WINDOWS_ARCH)
  set(KVPW_WINDOWS_ARCH x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${KVPW_WINDOWS_ARCH})
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KVPW_WINDOWS_ARCH)
set(kvpw_triple ${KVPW_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${kvpw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kvpw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${kvpw_triple}-windres)
set(KVPW_WIDL ${kvpw_triple}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${kvpw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
