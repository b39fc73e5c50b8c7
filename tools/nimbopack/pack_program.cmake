# cmake -DPACKER=... -DSTUB=... -DPROGRAM=... -DUNPACKED=... -P pack_program.cmake
# Keeps the linked program as UNPACKED and writes it packed as PROGRAM. A
# program the packer refuses is removed, so the build fails now and again
# next time instead of leaving the unpacked program in its place.
file(COPY_FILE ${PROGRAM} ${UNPACKED})
execute_process(COMMAND ${PACKER} ${UNPACKED} ${STUB} ${PROGRAM}.packing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE ${PROGRAM} ${PROGRAM}.packing)
  message(FATAL_ERROR "packing ${PROGRAM} failed")
endif()
file(RENAME ${PROGRAM}.packing ${PROGRAM})
file(CHMOD ${PROGRAM} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
  WORLD_EXECUTE)
