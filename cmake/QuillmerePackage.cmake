# The Debian package (cpack -G DEB, or the package workflow preset): both
# programs with everything `cmake --install` puts beside them, as
# quillmere_<version>_<arch>.deb, its dependencies worked out from the
# binaries by dpkg-shlibdeps.
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/quillmere)
install(FILES packaging/copyright DESTINATION ${docdir})
# The changelog is written by hand; its newest entry must be this version's.
file(STRINGS packaging/changelog newest LIMIT_COUNT 1)
string(REGEX MATCH "^quillmere \\(([^)]*)\\)" newest "${newest}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "The newest entry of packaging/changelog is for version '${CMAKE_MATCH_1}': "
    "add one for ${PROJECT_VERSION}")
endif()
quillmere_install_gzipped(packaging/changelog ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_CONTACT "The Quillmere developers <quillmere@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fit pictures to one frame size and save them as JPEG files")
set(CPACK_PACKAGE_DESCRIPTION
  "Quillmere scales pictures, keeping their proportions, to just fit one frame
size, optionally centres each on a frame-sized canvas of a padding colour, and
writes it as a quality-80 JPEG file into a folder named Quillmere beside the
original. Pictures are dropped from the file manager onto a small dialog
(quillmere) or named on the command line (quillmere-cli); named profiles keep
sets of settings.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuillmerePackageFolders.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
