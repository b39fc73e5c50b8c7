# nimbo_comp: the compressed-file format and whole-file operations, with the
# file operations of the tree's platform. Included by every folder that
# needs it (the DLL, the host compressor, tests, bench); defined once.
if(NOT TARGET nimbo_comp)
  if(NIMBO_WIN32)
    # Linked statically, so the DLL needs nothing beside it.
    find_library(NIMBO_ZLIB_STATIC NAMES libz.a REQUIRED)
    set(NIMBO_COMP_PLATFORM ${CMAKE_CURRENT_LIST_DIR}/comp_platform_win32.cpp)
  else()
    find_package(ZLIB REQUIRED)
    find_package(Threads REQUIRED)
    set(NIMBO_ZLIB_STATIC ZLIB::ZLIB Threads::Threads)
    set(NIMBO_COMP_PLATFORM ${CMAKE_CURRENT_LIST_DIR}/comp_platform_posix.cpp)
  endif()
  add_library(nimbo_comp STATIC
    ${CMAKE_CURRENT_LIST_DIR}/comp_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/comp_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/comp_stream.cpp
    ${NIMBO_COMP_PLATFORM})
  target_include_directories(nimbo_comp PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  # The temporary file names it shares with the setup program.
  target_include_directories(nimbo_comp PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../src)
  target_link_libraries(nimbo_comp PUBLIC ${NIMBO_ZLIB_STATIC})
endif()
