# Installation layout and the Debian package.
#
# `cmake --install <build> --prefix /usr` puts the programs in bin/, the example programs in
# share/halvane/examples (where halvane's file dialogs look for them, relative to its own
# folder), and the desktop entry and icon where desktop menus find them. `cpack` in the build
# folder makes the .deb; its Depends line comes from dpkg-shlibdeps, so it names exactly the
# Qt 6 and C++ runtime packages the programs link against.

include(GNUInstallDirs)

set(HALVANE_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS halvane boardsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES
          ${HALVANE_EXAMPLES_DIR}/README.md
          ${HALVANE_EXAMPLES_DIR}/counter.s19
          ${HALVANE_EXAMPLES_DIR}/counter.elf
          ${HALVANE_EXAMPLES_DIR}/counter.lst
          ${HALVANE_EXAMPLES_DIR}/counter.c
          ${HALVANE_EXAMPLES_DIR}/counter.dsc
          ${HALVANE_EXAMPLES_DIR}/counter.csv
          ${HALVANE_EXAMPLES_DIR}/counter.s
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

# --- CPack: one Debian package -------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Halvane developers")
set(CPACK_PACKAGE_CONTACT "Halvane developers <halvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "download and memory-watch tool for the CME11E9 68HC11 board")
set(CPACK_PACKAGE_DESCRIPTION
    "Halvane downloads S-record programs to a CME11E9 68HC11 evaluation board through its\n\
ROM monitor over a serial line, then watches and changes named memory locations of the\n\
running program beside a viewer of its listing. The package also holds boardsim, a\n\
simulated board on a pseudo-terminal, and an example program with its responder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A user reaches a real board through the dialout group; the simulated board needs nothing.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "binutils-m68hc1x, picocom")

include(CPack)
