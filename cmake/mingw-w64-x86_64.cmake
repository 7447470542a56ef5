# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler (the posix threads variant,
# which std::thread and GoogleTest need). Programs are linked statically, so the .exe files run
# under Wine or on Windows without any DLL beside them. Test programs run through
# cmake/wine-run.sh, which ctest uses as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FOLIONIX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FOLIONIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FOLIONIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${FOLIONIX_MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's sysroot only; programs (cmake, ninja) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${FOLIONIX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
