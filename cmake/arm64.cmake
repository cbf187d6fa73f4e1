# Debian arm64 (the 64-bit ARM system), tested under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TRELVASK_TRIPLE aarch64-linux-gnu)
set(TRELVASK_QEMU qemu-aarch64)
set(TRELVASK_DEB_ARCHITECTURE arm64)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
