# Cross toolchain: 64-bit Windows programs built on Linux with mingw-w64 and
# run (tests, benches) under Wine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARNELO_TRIPLE x86_64-w64-mingw32)

# The -posix variants give std::thread and std::mutex; the -win32 variants
# lack them in this compiler generation.
set(CMAKE_C_COMPILER ${VARNELO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNELO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNELO_TRIPLE}-windres)
set(CMAKE_AR ${VARNELO_TRIPLE}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${VARNELO_TRIPLE}-ranlib CACHE FILEPATH "Ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${VARNELO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest and try_run start every Windows program through this wrapper, which
# gives Wine a UTF-8 locale and keeps its debug chatter out of test output.
get_filename_component(_varnelo_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_varnelo_root}/scripts/wine-run.sh")
unset(_varnelo_root)
