# The Debian packages: `cpack -G DEB` in the build folder makes two from what `cmake --install`
# installs under /usr, one per install component:
#   gantrel-cli_<version>_<arch>.deb  gantrel-cli and the udev rule, for a programming station
#                                     without a desktop: no Qt among its dependencies;
#   gantrel_<version>_<arch>.deb      the window, its desktop entry, icons and MIME type; it
#                                     depends on gantrel-cli of the same version for the rule.
# The desktop entry, icons and MIME type need no maintainer scripts: shared-mime-info,
# hicolor-icon-theme and desktop-file-utils update their databases by dpkg file triggers.

set(GANTREL_PACKAGE_MAINTAINER "Gantrel developers <gantrel@example.org>"
  CACHE STRING "The Maintainer field of the Debian package (name <address>)")

# Debian wants the copyright file and a changelog compressed with gzip -9n (no name, no time
# stamp, so that the package builds the same each time) in usr/share/doc/<package>.
set(changelog ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
execute_process(COMMAND gzip -9n -c ${changelog}
  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
foreach(package gantrel gantrel-cli)
  install(FILES packaging/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${package})
endforeach()

set(CPACK_PACKAGE_NAME gantrel)
set(CPACK_PACKAGE_VENDOR "The Gantrel developers")
set(CPACK_PACKAGE_CONTACT "${GANTREL_PACKAGE_MAINTAINER}")
# Each package's description: its summary line, then the text of its file, read here rather
# than by CPack, which would write the apostrophe as "&apos;" into the control file. No common
# summary is set, so that CPack puts none in front.
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/description)
set(summary_GANTREL "ATF22LV10C PLD programmer for a USB HID programmer")
set(summary_GANTREL-CLI "ATF22LV10C PLD programmer for a USB HID programmer, command line")
foreach(name gantrel gantrel-cli)
  string(TOUPPER ${name} component)
  string(REPLACE "gantrel" "description" file ${name})
  set(file ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/${file})
  file(READ ${file} text)
  set(CPACK_DEBIAN_${component}_DESCRIPTION "${summary_${component}}\n${text}")
  set(CPACK_DEBIAN_${component}_PACKAGE_NAME ${name})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
endforeach()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL gantrel gantrel-cli)
# Both come from the one source, whose changelog they carry.
set(CPACK_DEBIAN_PACKAGE_SOURCE gantrel)
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
set(CPACK_DEBIAN_GANTREL_PACKAGE_DEPENDS
  "${GANTREL_WINDOW_DEPENDS}, gantrel-cli (= ${PROJECT_VERSION})")
# gantrel-cli's dependencies are what dpkg-shlibdeps finds, and nothing else: hidapi and libc.
set(CPACK_DEBIAN_GANTREL-CLI_PACKAGE_DEPENDS "")
# The rule's package applies it to a programmer already plugged in.
set(CPACK_DEBIAN_GANTREL-CLI_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
