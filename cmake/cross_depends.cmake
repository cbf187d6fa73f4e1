# Run by CPack for a cross build: Depends on the C library version that
# provides every versioned symbol the target binary uses.
if(CPACK_GENERATOR STREQUAL "DEB")
  execute_process(COMMAND ${CPACK_TRELVASK_OBJDUMP} -T ${CPACK_TRELVASK_BINARY}
    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "GLIBC_[0-9]+(\\.[0-9]+)+" versions "${symbols}")
  set(newest 0)
  foreach(version IN LISTS versions)
    string(REPLACE "GLIBC_" "" version ${version})
    if(version VERSION_GREATER newest)
      set(newest ${version})
    endif()
  endforeach()
  if(newest VERSION_EQUAL 0)
    message(FATAL_ERROR "${CPACK_TRELVASK_BINARY} uses no versioned C library symbol")
  endif()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${newest}), ${CPACK_TRELVASK_LOADED_LIBRARIES}")
endif()
