# The Debian package: `cpack -G DEB` in the build folder makes gantrel_<version>_<arch>.deb
# from what `cmake --install` installs, under /usr. The desktop entry, icons and MIME type need
# no maintainer scripts: shared-mime-info, hicolor-icon-theme and desktop-file-utils update
# their databases by dpkg file triggers.

set(GANTREL_PACKAGE_MAINTAINER "Gantrel developers <gantrel@example.org>"
  CACHE STRING "The Maintainer field of the Debian package (name <address>)")

# Debian wants the copyright file and a changelog compressed with gzip -9n (no name, no time
# stamp, so that the package builds the same each time) in usr/share/doc/<package>.
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/gantrel)
set(changelog ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
execute_process(COMMAND gzip -9n -c ${changelog}
  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES packaging/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  DESTINATION ${doc_dir})

set(CPACK_PACKAGE_NAME gantrel)
set(CPACK_PACKAGE_VENDOR "The Gantrel developers")
set(CPACK_PACKAGE_CONTACT "${GANTREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ATF22LV10C PLD programmer for a USB HID programmer")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/description)
# Read here rather than by CPack, which would write the apostrophe as "&apos;" into the control
# file; CPack puts the summary line in front.
file(READ ${CPACK_PACKAGE_DESCRIPTION_FILE} CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CPACK_PACKAGE_DESCRIPTION_FILE})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (package dpkg-dev) finds the libraries; it cannot see Qt's translations,
# which give the Japanese button texts, nor a font with Japanese glyphs, without which every
# text of the window is a row of boxes: apt takes the first font when none is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(GANTREL_WINDOW_DEPENDS
  "qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${GANTREL_WINDOW_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
