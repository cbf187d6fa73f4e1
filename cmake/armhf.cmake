# Debian armhf (the 32-bit ARM system), tested under qemu-arm.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TRELVASK_TRIPLE arm-linux-gnueabihf)
set(TRELVASK_QEMU qemu-arm)
set(TRELVASK_DEB_ARCHITECTURE armhf)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
