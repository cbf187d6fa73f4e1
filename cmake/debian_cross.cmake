# Cross build for a Debian architecture with Debian's cross compiler; the
# tests run under qemu-user on the target's libraries as multiarch installs
# them (libc6:armhf and the like, with libsndfile1 and libsoxr0): the
# dynamic loader and the C library of one version, in the host's own
# paths, which the cross packages' older C library must not be mixed with.
# The toolchain file of each target sets the names first.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${TRELVASK_TRIPLE}-g++)
set(CMAKE_STRIP /usr/bin/${TRELVASK_TRIPLE}-strip)
set(CMAKE_FIND_ROOT_PATH /usr/${TRELVASK_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TRELVASK_QEMU} -L /)
set(TRELVASK_TARGET_OBJDUMP /usr/bin/${TRELVASK_TRIPLE}-objdump)
