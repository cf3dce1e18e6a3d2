# Installation layout and the Debian package.
#
# `cmake --install <build> --prefix /usr` puts the programs in bin/, the example programs in
# share/halvane/examples (where halvane's file dialogs look for them, relative to its own
# folder), the desktop entry and icon where desktop menus find them, the manual pages in
# share/man/man1 and the copyright file and changelog in share/doc/halvane. `cpack` in the
# build folder makes the .deb; its Depends line comes from dpkg-shlibdeps, so it names exactly
# the Qt 6 and C++ runtime packages the programs link against. The target
# halvane_package_files builds everything the package holds (scripts/check-package builds it
# before cpack).

include(GNUInstallDirs)

set(HALVANE_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS halvane boardsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command-line program joins the package, with its manual page, once its target exists.
set(HALVANE_PROGRAMS halvane boardsim)
if(TARGET halvane-cli)
  install(TARGETS halvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND HALVANE_PROGRAMS halvane-cli)
endif()

install(FILES
          ${HALVANE_EXAMPLES_DIR}/README.md
          ${HALVANE_EXAMPLES_DIR}/counter.s19
          ${HALVANE_EXAMPLES_DIR}/counter.elf
          ${HALVANE_EXAMPLES_DIR}/counter.lst
          ${HALVANE_EXAMPLES_DIR}/counter.c
          ${HALVANE_EXAMPLES_DIR}/counter.dsc
          ${HALVANE_EXAMPLES_DIR}/counter.csv
          ${HALVANE_EXAMPLES_DIR}/counter.s
          ${HALVANE_EXAMPLES_DIR}/square_wave.s
          ${HALVANE_EXAMPLES_DIR}/square_wave.s19
          ${HALVANE_EXAMPLES_DIR}/square_wave.elf
          ${HALVANE_EXAMPLES_DIR}/square_wave.lst
          ${HALVANE_EXAMPLES_DIR}/square_wave.csv
          ${HALVANE_EXAMPLES_DIR}/responder.s
          ${HALVANE_EXAMPLES_DIR}/responder_irq.s
          ${HALVANE_EXAMPLES_DIR}/cme11e9.ld
        DESTINATION ${CMAKE_INSTALL_DATADIR}/halvane/examples)
install(PROGRAMS ${HALVANE_EXAMPLES_DIR}/assemble.sh
        DESTINATION ${CMAKE_INSTALL_DATADIR}/halvane/examples)

install(FILES ${HALVANE_PACKAGING_DIR}/halvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${HALVANE_PACKAGING_DIR}/halvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/screenshot.png
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

# --- Licence, changelog and manual pages ---------------------------------------------------
# Debian's layout: the machine-readable copyright file (its licence text points to
# /usr/share/common-licenses/GPL-3 rather than holding it), the changelog of this native
# package as changelog.gz, and the manual pages gzipped in man1.
install(FILES ${HALVANE_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${HALVANE_PACKAGING_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME halvane)

# The package's version comes from project(); its changelog must have an entry for it.
file(STRINGS ${HALVANE_PACKAGING_DIR}/changelog halvane_changelog_head LIMIT_COUNT 1)
string(REGEX MATCH "^halvane \\(([^)]*)\\)" halvane_changelog_head "${halvane_changelog_head}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog's newest entry is for version '${CMAKE_MATCH_1}', not "
                      "${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION} at its top")
endif()

find_program(HALVANE_GZIP gzip REQUIRED)
set(HALVANE_DOCS_BUILD_DIR ${PROJECT_BINARY_DIR}/packaging)
set(halvane_compressed_docs)
# Compresses INPUT into INPUT.gz at build time (packaging/gzip-file.cmake).
function(halvane_gzip input)
  add_custom_command(OUTPUT ${input}.gz
    COMMAND ${CMAKE_COMMAND} -DGZIP=${HALVANE_GZIP} -DINPUT=${input} -DOUTPUT=${input}.gz
            -P ${HALVANE_PACKAGING_DIR}/gzip-file.cmake
    DEPENDS ${input} ${HALVANE_PACKAGING_DIR}/gzip-file.cmake
    COMMENT "Compressing ${input}"
    VERBATIM)
  set(halvane_compressed_docs ${halvane_compressed_docs} ${input}.gz PARENT_SCOPE)
endfunction()

configure_file(${HALVANE_PACKAGING_DIR}/changelog ${HALVANE_DOCS_BUILD_DIR}/changelog COPYONLY)
halvane_gzip(${HALVANE_DOCS_BUILD_DIR}/changelog)
install(FILES ${HALVANE_DOCS_BUILD_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# docs/man/PROGRAM.1.in are written by hand; the version is filled in here.
foreach(program IN LISTS HALVANE_PROGRAMS)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${program}.1.in
                 ${HALVANE_DOCS_BUILD_DIR}/man/${program}.1 @ONLY)
  halvane_gzip(${HALVANE_DOCS_BUILD_DIR}/man/${program}.1)
  install(FILES ${HALVANE_DOCS_BUILD_DIR}/man/${program}.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

add_custom_target(halvane_docs ALL DEPENDS ${halvane_compressed_docs})
add_custom_target(halvane_package_files)
add_dependencies(halvane_package_files ${HALVANE_PROGRAMS} halvane_docs)
# The programs the package holds, one a line, for scripts/check-package.
string(JOIN "\n" halvane_programs_text ${HALVANE_PROGRAMS})
file(WRITE ${HALVANE_DOCS_BUILD_DIR}/programs "${halvane_programs_text}\n")

# --- CPack: one Debian package -------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Halvane Developers")
set(CPACK_PACKAGE_CONTACT "Halvane Developers <halvane@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "download and memory-watch tool for the CME11E9 68HC11 board")
# Debian wants the lines of the long description under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Halvane downloads S-record programs to a CME11E9 68HC11 evaluation\n\
board through its ROM monitor over a serial line, then watches and\n\
changes named memory locations of the running program beside a viewer\n\
of its listing. The package also holds boardsim, a simulated board on a\n\
pseudo-terminal, and an example program with its responder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Control files as dpkg-deb makes them: 0644, scripts 0755.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A user reaches a real board through the dialout group; the simulated board needs nothing.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "binutils-m68hc1x, picocom")

include(CPack)
