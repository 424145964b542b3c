# Installation and the Debian package (CPack DEB): the three programs, the menu
# entry with its icon, manual pages made from the programs' --help, bash
# completion for kelo-cli, and the copyright and changelog files.
include(GNUInstallDirs)

set(pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_doc ${CMAKE_INSTALL_DATADIR}/doc/keloassist)

install(TARGETS KeloAssist kelo-cli kelo-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${pkg_src}/keloassist.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg_src}/icons/keloassist.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${pkg_src}/icons/keloassist-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME keloassist.png)
endforeach()
install(FILES ${pkg_src}/kelo-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kelo-cli)
install(FILES ${pkg_src}/copyright DESTINATION ${pkg_doc})

# Compressed as Debian wants them: gzip -9, no name or time stamp inside.
find_program(GZIP_PROGRAM gzip)
find_program(HELP2MAN_PROGRAM help2man)
set(pkg_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg_out})
add_custom_command(OUTPUT ${pkg_out}/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${pkg_src}/changelog > ${pkg_out}/changelog.gz
  DEPENDS ${pkg_src}/changelog VERBATIM)
set(pkg_generated ${pkg_out}/changelog.gz)
install(FILES ${pkg_out}/changelog.gz DESTINATION ${pkg_doc})

if(HELP2MAN_PROGRAM)
  set(man_KeloAssist "service and test tool for the Kelo-Vint-F cash register")
  set(man_kelo-cli "the Kelo-Vint-F cash register from the command line")
  set(man_kelo-emulator "stand-in for the Kelo-Vint-F cash register on a pseudo-terminal")
  foreach(program KeloAssist kelo-cli kelo-emulator)
    add_custom_command(OUTPUT ${pkg_out}/${program}.1.gz
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${pkg_out}
              ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --name=${man_${program}}
              --version-string=${PROJECT_VERSION} --output=${pkg_out}/${program}.1 $<TARGET_FILE:${program}>
      COMMAND ${GZIP_PROGRAM} -9nf ${pkg_out}/${program}.1
      DEPENDS ${program} VERBATIM)
    list(APPEND pkg_generated ${pkg_out}/${program}.1.gz)
    install(FILES ${pkg_out}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()
add_custom_target(package_files ALL DEPENDS ${pkg_generated})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keloassist)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "KeloAssist developers <maintainers@keloassist.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service and test tool for the Kelo-Vint-F cash register")
set(CPACK_PACKAGE_DESCRIPTION
"KeloAssist tests the link to a Kelo-Vint-F fiscal cash register, reads its
state, its fiscal storage and its exchange with the fiscal data operator,
registers it, opens and closes shifts, builds receipts, fetches and saves
fiscal documents, and reads and compares firmware dumps.

The package holds the window (KeloAssist), a command-line tool for scripted
work (kelo-cli) and a register emulator (kelo-emulator), so that every
operation can be tried without a register.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The journal's database driver is a plug-in no library links against.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/build/package)
include(CPack)
