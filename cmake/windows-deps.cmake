# The libraries of the Windows cross build, in place of the host's pkg-config (which
# would find the host's own builds): zlib from Debian's MinGW-w64 package, minizip
# compiled from Debian's own source package, fetched into the build folder when the
# build is configured, and GoogleTest from Debian's sources. They carry the target names
# that the native build gets from pkg-config, so the rest of the tree is the same.

find_path(MINGW_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
find_library(MINGW_ZLIB_LIBRARY NAMES libz.a REQUIRED)
add_library(PkgConfig::ZLIB STATIC IMPORTED)
set_target_properties(PkgConfig::ZLIB PROPERTIES
  IMPORTED_LOCATION ${MINGW_ZLIB_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${MINGW_ZLIB_INCLUDE_DIR})

set(MINIZIP_SOURCE_DIR ${CMAKE_BINARY_DIR}/debian-sources/minizip)
if(NOT EXISTS ${MINIZIP_SOURCE_DIR}/unzip.c)
  message(STATUS "Fetching Debian's minizip source package")
  execute_process(
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/fetch-debian-source.sh
            minizip ${CMAKE_BINARY_DIR}/debian-sources
    RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0 OR NOT EXISTS ${MINIZIP_SOURCE_DIR}/unzip.c)
    message(FATAL_ERROR "Cannot fetch Debian's minizip source package")
  endif()
endif()
# Only the reading side is used; the archives are read through the engine's own file hooks.
add_library(minizip_unzip STATIC ${MINIZIP_SOURCE_DIR}/unzip.c ${MINIZIP_SOURCE_DIR}/ioapi.c)
target_include_directories(minizip_unzip SYSTEM PUBLIC ${MINIZIP_SOURCE_DIR})
target_link_libraries(minizip_unzip PUBLIC PkgConfig::ZLIB)
# Our warnings hold for it too, but for the file hooks of ioapi.c that ignore their
# "opaque" argument.
target_compile_options(minizip_unzip PRIVATE -Wno-unused-parameter)
add_library(PkgConfig::MINIZIP ALIAS minizip_unzip)

if(AURALITH_TESTS)
  set(GOOGLETEST_SOURCE_DIR /usr/src/googletest
      CACHE PATH "GoogleTest sources to build for the target")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# JSON for the record of a run: Debian's header-only nlohmann-json, the same headers for
# every target. They are copied out of the host's include folder, which the cross build
# must not search as a whole.
find_path(NLOHMANN_JSON_HOST_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
  REQUIRED)
file(COPY ${NLOHMANN_JSON_HOST_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/host-headers)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/host-headers)
