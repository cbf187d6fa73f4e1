# Cross build for a Debian architecture with Debian's cross compiler; the
# tests run under qemu-user, pointed at the target's libraries that the cross
# packages install. The toolchain file of each target sets the names first.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${TRELVASK_TRIPLE}-g++)
set(CMAKE_STRIP /usr/bin/${TRELVASK_TRIPLE}-strip)
set(CMAKE_FIND_ROOT_PATH /usr/${TRELVASK_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TRELVASK_QEMU} -L /usr/${TRELVASK_TRIPLE})
set(TRELVASK_TARGET_OBJDUMP /usr/bin/${TRELVASK_TRIPLE}-objdump)
