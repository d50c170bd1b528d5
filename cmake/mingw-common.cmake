# What both MinGW-w64 toolchain files share (posix threads variant); they set
# QUELMAR_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QUELMAR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELMAR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELMAR_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUELMAR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine (32- or 64-bit, after the build) through this launcher.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
