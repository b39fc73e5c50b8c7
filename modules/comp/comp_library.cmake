# nimbo_comp: the compressed-file format and whole-file operations, with the
# file operations of the tree's platform. Included by every folder that
# needs it (the DLL, the host compressor, tests, bench); defined once.

if(NIMBO_WIN32)
  set(NIMBO_COMP_PLATFORM win32)
else()
  set(NIMBO_COMP_PLATFORM posix)
endif()
# The format's code in both the tools' library and the DLL; the tools
# write every method (comp_packers.cpp), the DLL deflate alone.
set(NIMBO_COMP_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/comp_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comp_piece_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comp_deflate_packer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comp_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comp_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comp_platform_${NIMBO_COMP_PLATFORM}.cpp)
if(NOT TARGET nimbo_comp)
  if(NIMBO_WIN32)
    # Linked statically, so the DLL needs nothing beside it. liblzma is
    # cross-built from Debian's source by scripts/bootstrap.sh.
    find_library(NIMBO_ZLIB_STATIC NAMES libz.a REQUIRED)
    set(NIMBO_LZMA_PREFIX ${CMAKE_SOURCE_DIR}/build/deps/i686-w64-mingw32 CACHE PATH
      "liblzma built for i686-w64-mingw32 (scripts/bootstrap.sh)")
    find_library(NIMBO_LZMA_STATIC NAMES liblzma.a PATHS ${NIMBO_LZMA_PREFIX}/lib
      NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    add_library(nimbo_lzma INTERFACE)
    target_include_directories(nimbo_lzma SYSTEM INTERFACE ${NIMBO_LZMA_PREFIX}/include)
    target_compile_definitions(nimbo_lzma INTERFACE LZMA_API_STATIC)
    target_link_libraries(nimbo_lzma INTERFACE ${NIMBO_LZMA_STATIC})
  else()
    find_package(ZLIB REQUIRED)
    find_package(LibLZMA REQUIRED)
    find_package(Threads REQUIRED)
    set(NIMBO_ZLIB_STATIC ZLIB::ZLIB Threads::Threads)
    add_library(nimbo_lzma INTERFACE)
    target_link_libraries(nimbo_lzma INTERFACE LibLZMA::LibLZMA)
  endif()
  add_library(nimbo_comp STATIC ${NIMBO_COMP_SOURCES}
    ${CMAKE_CURRENT_LIST_DIR}/comp_packers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/comp_method_names.cpp
    ${CMAKE_CURRENT_LIST_DIR}/comp_lzma_packer.cpp)
  target_include_directories(nimbo_comp PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  # The temporary file names it shares with the setup program.
  target_include_directories(nimbo_comp PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../src)
  # liblzma's header stays inside the format's code; users link it only.
  target_link_libraries(nimbo_comp PUBLIC ${NIMBO_ZLIB_STATIC} PRIVATE nimbo_lzma)
endif()
