# Cross build of the Windows x64 executable with Debian's mingw-w64 (the
# -posix compilers: the -win32 ones have no std::thread). Everything links
# statically, so the program imports only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BQ_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${BQ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BQ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BQ_MINGW_TRIPLET}-windres)

# The mingw libraries Debian ships, then the ones tools/install-windows-deps
# builds (default build-win/deps).
if(NOT BQ_WINDOWS_DEPS)
  get_filename_component(BQ_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-win/deps ABSOLUTE)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BQ_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${BQ_MINGW_TRIPLET} ${BQ_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
