# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix).
# The posix thread flavour is the one whose std::thread and std::mutex work.
# Everything is linked statically (libgcc, libstdc++, winpthread), so the .exe
# files run under Wine or on a bare Windows machine without mingw DLLs next to
# them. The Qt GUI is not built here: Debian has no Qt for Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VPO_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${VPO_MINGW_TRIPLET}-gcc-posix ${VPO_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VPO_MINGW_TRIPLET}-g++-posix ${VPO_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VPO_MINGW_TRIPLET}-windres REQUIRED)
find_program(CMAKE_DLLTOOL NAMES ${VPO_MINGW_TRIPLET}-dlltool REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VPO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No mingw runtime DLL needed at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,-Bstatic,--whole-archive -lwinpthread -Wl,--no-whole-archive,-Bdynamic")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${CMAKE_SHARED_LINKER_FLAGS_INIT}")

# Windows programs that ctest runs go through Wine, in a prefix of the build
# folder's own (see scripts/wine-test and cmake/WineTests.cmake).
get_filename_component(_vpo_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_vpo_root}/scripts/wine-test;run;--prefix;${CMAKE_BINARY_DIR}/wineprefix")
