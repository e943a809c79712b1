# What both MinGW-w64 toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR (i686 or x86_64), which names the compilers and root.
# The posix thread model is needed for std::mutex (GoogleTest uses it).
set(CMAKE_SYSTEM_NAME Windows)
set(qp_mingw_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${qp_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${qp_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${qp_mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${qp_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages only from the target's own root: the build machine's GoogleTest is no use here.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
