# i686 Windows via mingw-w64. The posix-thread flavour of the compiler: the
# GoogleTest executable needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_ASM_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Where a 32-bit Windows host is installed (scripts/install-deps.sh windows),
# ctest runs the test executables under it; -DTQCALC_WINDOWS_HOST=OFF keeps
# it out.
if(NOT DEFINED TQCALC_WINDOWS_HOST OR TQCALC_WINDOWS_HOST)
  find_program(TQCALC_WINE wine)
  if(TQCALC_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TQCALC_WINE})
  endif()
endif()
