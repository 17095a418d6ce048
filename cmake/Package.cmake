# cmake --install and the Debian package (scripts/package runs CPack).
#
# Installed layout below the prefix (/usr for the package):
#   bin/                 Quillmark (and the command quillmark), quillmark-cli, kelvane, loggersim
#   <libdir>/quillmark/  libKelvane.so, found through the programs' runtime path
#   share/quillmark/     what the program ships and never writes: res/ (language
#                        modules, help), config/channelInfo.ini (shipped settings
#                        and channel definitions), database/DATAINFO.db3 (initial database)
#   share/applications/quillmark.desktop, share/icons/hicolor/*/apps/quillmark.*
#   share/man/man1/      quillmark-cli.1, kelvane.1, loggersim.1
# An installed program keeps its own files in the user's data folder, seeded
# from share/quillmark on its first start (app/core/DataFolder.h).

set(QM_STAGE ${CMAKE_BINARY_DIR}/install-files)

# The initial database of a new user: made afresh by our own code, never the
# build folder's database (which holds whatever its developer did with it).
add_custom_command(OUTPUT ${QM_STAGE}/database/DATAINFO.db3
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QM_STAGE}/database/DATAINFO.db3
  COMMAND quillmark-initdb --database ${QM_STAGE}/database/DATAINFO.db3
  DEPENDS quillmark-initdb
  COMMENT "Initial database of the installation"
  VERBATIM)

# The icon at the theme's sizes, drawn by the window's own code.
set(qm_icons ${QM_STAGE}/icons/quillmark-48.png ${QM_STAGE}/icons/quillmark-128.png ${QM_STAGE}/icons/quillmark-256.png)
add_custom_command(OUTPUT ${qm_icons}
  COMMAND quillmark-icons ${QM_STAGE}/icons
  DEPENDS quillmark-icons
  COMMENT "Program icon at 48, 128 and 256 pixels"
  VERBATIM)

# Manual pages from the tools' own --help and --version, with the sections
# --help does not hold (tools/man/*.h2m).
find_program(QM_HELP2MAN help2man)
if(NOT QM_HELP2MAN)
  message(FATAL_ERROR "help2man is missing (it makes the manual pages): scripts/setup installs it")
endif()
set(qm_man_pages "")
foreach(pair "quillmark-cli;the program's logic without windows, as a logged-in user"
             "kelvane;talk to one data logger through the device-link library"
             "loggersim;simulated data loggers on pseudo-terminals")
  list(GET pair 0 tool)
  list(GET pair 1 what)
  set(page ${QM_STAGE}/man/${tool}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QM_STAGE}/man
    COMMAND ${QM_HELP2MAN} --no-info --section=1 --name=${what} --source=Quillmark
            --include=${CMAKE_SOURCE_DIR}/tools/man/${tool}.h2m --output=${page} $<TARGET_FILE:${tool}>
    COMMAND gzip -n -9 -f ${page}
    DEPENDS ${tool} ${CMAKE_SOURCE_DIR}/tools/man/${tool}.h2m
    COMMENT "Manual page ${tool}(1)"
    VERBATIM)
  list(APPEND qm_man_pages ${page}.gz)
endforeach()

add_custom_target(qm_install_files ALL DEPENDS ${QM_STAGE}/database/DATAINFO.db3 ${qm_icons} ${qm_man_pages})

# ---- what is installed ----------------------------------------------------

install(TARGETS Quillmark quillmark-cli kelvane loggersim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS Kelvane LIBRARY DESTINATION ${QM_INSTALL_LIBDIR})
# The command a user types; the desktop entry starts it too.
install(CODE "file(CREATE_LINK Quillmark \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillmark\" SYMBOLIC)")

install(FILES ${QM_PROGRAM_DIR}/res/QUILLM_CH${QM_LANGUAGE_MODULE_SUFFIX} ${QM_PROGRAM_DIR}/res/QUILLM_EN${QM_LANGUAGE_MODULE_SUFFIX}
  DESTINATION ${QM_INSTALL_SHAREDIR}/res)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/app/res/help DESTINATION ${QM_INSTALL_SHAREDIR}/res)
install(FILES ${CMAKE_SOURCE_DIR}/app/res/icons/quillmark.svg DESTINATION ${QM_INSTALL_SHAREDIR}/res/help/images)
install(FILES ${CMAKE_SOURCE_DIR}/app/res/config/channelInfo.ini DESTINATION ${QM_INSTALL_SHAREDIR}/config)
install(FILES ${QM_STAGE}/database/DATAINFO.db3 DESTINATION ${QM_INSTALL_SHAREDIR}/database)

install(FILES ${CMAKE_SOURCE_DIR}/app/res/desktop/quillmark.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 48 128 256)
  install(FILES ${QM_STAGE}/icons/quillmark-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME quillmark.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/app/res/icons/quillmark.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${qm_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmark)

# ---- the Debian package ----------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmark)
set(CPACK_PACKAGE_VENDOR "Quillmark")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "management station for temperature and humidity data loggers")
set(CPACK_PACKAGE_DESCRIPTION "Quillmark connects portable temperature and humidity data loggers over USB or
Bluetooth serial links, configures, starts and stops them, downloads their
history into an encrypted database, and browses, analyses (MKT, excursions),
exports, reports and prints it, with user roles and an audit trail.
.
The package holds the program, its device-link library Kelvane, the
command-line tool quillmark-cli, the logger tool kelvane and the logger
simulator loggersim.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmark developers <quillmark@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The build keeps its debugging information; the installed programs do not.
set(CPACK_STRIP_FILES ON)
# The prefix the programs were built for (Installation.cpp compares it).
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# Dependencies from the libraries the programs link; libKelvane.so comes with
# the package itself. Qt's window-system plugins and the fonts of the program's
# look are loaded at run time, so no linked library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${QM_PROGRAM_DIR})
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-arphic-uming, fonts-wqy-microhei")
# The help opens in the desktop's browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
