# The release packages, made by CPack in a build folder configured with
# -DAURALITH_PACKAGE=ON (scripts/package.sh makes them all):
#   - a Windows build (32-bit or 64-bit): a ZIP to unpack into a kit's root, holding
#     bin/Auralith.exe, bin/AdpcmEncode.exe and doc/Auralith/ (a text on the encoder
#     programs, the user documentation, the license and those of the works built in);
#   - a Linux build: a Debian package that installs the four programs into
#     /usr/lib/auralith/bin, the command auralith-install-kit into /usr/bin and the
#     documentation into /usr/share/doc/auralith, and a .tar.gz of the same files.
# The programs' folder (AURALITH_INSTALL_BINDIR) is set in the top CMakeLists.txt.

set(AURALITH_VERSION ${PROJECT_VERSION})
file(READ ${CMAKE_SOURCE_DIR}/LICENSE AURALITH_LICENSE_TEXT)
string(STRIP "${AURALITH_LICENSE_TEXT}" AURALITH_LICENSE_TEXT)
set(user_docs ${CMAKE_SOURCE_DIR}/docs/usage.md ${CMAKE_SOURCE_DIR}/docs/reliability.md
    ${CMAKE_SOURCE_DIR}/docs/encoders.md)

# install_license(NAME FILE): a copyright file of Debian's, installed as licenses/NAME.txt.
function(install_license name file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "No copyright file ${file} for ${name}: install its Debian package")
  endif()
  install(FILES ${file} DESTINATION ${AURALITH_DOC_DIR}/licenses RENAME ${name}.txt)
endfunction()

# first_match(VAR PATTERN): the last file (in sorted order) that a glob finds, or the
# pattern itself when none: for a Debian package whose name carries its library version.
function(first_match var pattern)
  file(GLOB found ${pattern})
  list(SORT found)
  set(${var} "${pattern}" PARENT_SCOPE)
  if(found)
    list(GET found -1 last)
    set(${var} ${last} PARENT_SCOPE)
  endif()
endfunction()

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(AURALITH_TARGET "32-bit Windows")
    set(system_name win32)
  else()
    set(AURALITH_TARGET "64-bit Windows")
    set(system_name win64)
  endif()
  set(AURALITH_DOC_DIR doc/Auralith)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows-readme.txt
                 ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/third-party-windows.txt
                 ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt
          ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY.txt ${user_docs}
          DESTINATION ${AURALITH_DOC_DIR})
  install_license(zlib /usr/share/doc/libz-mingw-w64-dev/copyright)
  install_license(minizip ${MINIZIP_SOURCE_DIR}/debian/copyright)
  install_license(mingw-w64 /usr/share/doc/mingw-w64-common/copyright)
  install_license(gcc /usr/share/doc/gcc-mingw-w64-base/copyright)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Auralith-${PROJECT_VERSION}-${system_name})
  # Unpacked into the kit's root, the programs land in its bin folder.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(AURALITH_DOC_DIR share/doc/auralith)
  set(AURALITH_PROGRAM_DIR /usr/${AURALITH_INSTALL_BINDIR})
  configure_file(${CMAKE_SOURCE_DIR}/packaging/linux-readme.txt
                 ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY)
  # The copyright file of Debian's machine-readable format: license lines indented, empty
  # ones written as " .".
  string(REGEX REPLACE "\n" "\n " AURALITH_LICENSE_DEB " ${AURALITH_LICENSE_TEXT}")
  string(REGEX REPLACE "\n \n" "\n .\n" AURALITH_LICENSE_DEB "${AURALITH_LICENSE_DEB}")
  configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright-linux.in
                 ${CMAKE_BINARY_DIR}/packaging/copyright @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/packaging/copyright
          ${user_docs} DESTINATION ${AURALITH_DOC_DIR})
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/auralith-install-kit DESTINATION bin)
  install_license(zlib /usr/share/doc/zlib1g/copyright)
  install_license(minizip /usr/share/doc/libminizip1/copyright)
  first_match(soxr_copyright "/usr/share/doc/libsoxr[0-9]*/copyright")
  install_license(libsoxr "${soxr_copyright}")
  first_match(avcodec_copyright "/usr/share/doc/libavcodec[0-9]*/copyright")
  install_license(libavcodec "${avcodec_copyright}")
  string(REGEX MATCH "^[0-9]+" gcc_major "${CMAKE_CXX_COMPILER_VERSION}")
  install_license(gcc /usr/share/doc/gcc-${gcc_major}-base/copyright)

  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE deb_architecture
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_PACKAGE_FILE_NAME Auralith-${PROJECT_VERSION}-linux-${deb_architecture})
  set(CPACK_DEBIAN_PACKAGE_NAME auralith)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_architecture})
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Auralith <packages@auralith.invalid>")
  # The libraries the programs load, found by dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
  # The .tar.gz unpacks into a folder of its own, laid out like /usr.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()

set(CPACK_PACKAGE_NAME Auralith)
set(CPACK_PACKAGE_VENDOR Auralith)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Sound conversion tool of a game modification kit")
set(CPACK_PACKAGE_DESCRIPTION
    "Auralith reads the alias files of a game modification kit, converts the sound \
sources that are out of date through its encoder programs (resampling, ADPCM, WMA) and \
reports orphans and errors. The package installs the tool and its three encoder programs \
and a command that copies them into the bin folder of a kit.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
