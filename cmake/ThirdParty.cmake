# Libraries built from Debian's sources, never vendored.

# GoogleTest from /usr/src/googletest (Debian package googletest).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# bzip2 from Debian's source package, fetched by scripts/fetch-bzip2.sh.
set(BZIP2_SOURCE_DIR ${TEMBRI_SOURCES_DIR}/bzip2)
if(NOT EXISTS ${BZIP2_SOURCE_DIR}/bzlib.c)
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-bzip2.sh ${CMAKE_BINARY_DIR}
                  RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "bzip2 sources could not be fetched")
  endif()
endif()
add_library(bz2 STATIC
  ${BZIP2_SOURCE_DIR}/blocksort.c ${BZIP2_SOURCE_DIR}/huffman.c
  ${BZIP2_SOURCE_DIR}/crctable.c ${BZIP2_SOURCE_DIR}/randtable.c
  ${BZIP2_SOURCE_DIR}/compress.c ${BZIP2_SOURCE_DIR}/decompress.c
  ${BZIP2_SOURCE_DIR}/bzlib.c)
target_include_directories(bz2 SYSTEM PUBLIC ${BZIP2_SOURCE_DIR})
target_compile_options(bz2 PRIVATE -w)
