# Manual pages, section 1: help2man (Debian package help2man) runs each program's --help and
# --version and adds the hand-written sections of packaging/man/<program>.h2m; the page is
# installed compressed with gzip -9n, as Debian wants it. Without help2man no page is built.
# The pages are read as UTF-8 (the window's menu names are Japanese).
find_program(GANTREL_HELP2MAN help2man)
if(NOT GANTREL_HELP2MAN)
  message(WARNING "help2man not found: no manual pages (bash scripts/dev.sh deps installs it)")
endif()

# The pages carry the date of the release that heads packaging/debian/changelog, so that they
# come out the same at every build.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog gantrel_release_line
  REGEX "^ -- .*>  " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- .*>  " "" gantrel_release_date "${gantrel_release_line}")
execute_process(COMMAND date -u -d "${gantrel_release_date}" +%s
  OUTPUT_VARIABLE GANTREL_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# gantrel_add_man_page(TARGET SUMMARY): TARGET.1.gz from the built program TARGET, whose NAME
# line reads "TARGET - SUMMARY"; installed into share/man/man1 with the component TARGET (the
# package of that name).
function(gantrel_add_man_page target summary)
  if(NOT GANTREL_HELP2MAN)
    return()
  endif()
  set(sections ${PROJECT_SOURCE_DIR}/packaging/man/${target}.h2m)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${GANTREL_RELEASE_EPOCH}
            ${GANTREL_HELP2MAN} --locale=C.UTF-8 --no-info --section=1 --name=${summary} --include=${sections}
            --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target} ${sections}
    COMMENT "Manual page ${target}(1)" VERBATIM)
  add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${target})
endfunction()
