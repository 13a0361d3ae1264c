# Installation and the Debian packages.
#
#   cmake --install <build> [--prefix <dir>]      from source (default prefix /usr/local)
#   cpack --config <build>/CPackConfig.cmake -G DEB   the packages; configure with
#                                                     -DCMAKE_INSTALL_PREFIX=/usr first
#
# Two components, two packages:
#   daemon   package "nodreld": nodreld, its systemd service, user, working folder and
#            polkit rule, the default settings, the rotation of its log and nodreld(8);
#   desktop  package "nodrel": the Qt program nodrel with its menu entry, icon, AppStream
#            metainfo, an example autostart entry and nodrel(1); it depends on nodreld
#            for the default settings.
#
# The service and the files that name other files are generated from data/**/*.in with
# the final paths, so an installation under any prefix refers to itself; the metainfo
# names the home page the build was configured with (NODREL_HOMEPAGE).

include(GNUInstallDirs)

set(NODREL_SYSTEMD_UNITDIR "lib/systemd/system" CACHE STRING
    "Where the systemd unit goes (relative to the prefix, or absolute)")
set(NODREL_SYSUSERSDIR "lib/sysusers.d" CACHE STRING
    "Where the sysusers.d snippet goes (relative to the prefix, or absolute)")
set(NODREL_TMPFILESDIR "lib/tmpfiles.d" CACHE STRING
    "Where the tmpfiles.d snippet goes (relative to the prefix, or absolute)")
set(NODREL_POLKIT_RULESDIR "${CMAKE_INSTALL_DATADIR}/polkit-1/rules.d" CACHE STRING
    "Where the polkit rule goes (relative to the prefix, or absolute); polkit reads only
/usr/share/polkit-1/rules.d and /etc/polkit-1/rules.d")
set(NODREL_LOGROTATEDIR "${CMAKE_INSTALL_FULL_SYSCONFDIR}/logrotate.d" CACHE STRING
    "Where the logrotate snippet for the service's log goes")
set(NODREL_PACKAGE_MAINTAINER "Nodrel developers <nodrel@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian packages")

# Paths written into the generated files.
set(NODREL_FULL_SBINDIR "${CMAKE_INSTALL_FULL_SBINDIR}")
set(NODREL_FULL_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}")
set(NODREL_FULL_DATADIR "${CMAKE_INSTALL_FULL_DATADIR}/nodrel")
set(NODREL_FULL_LIBEXECDIR "${CMAKE_INSTALL_FULL_LIBEXECDIR}/nodrel")

set(NODREL_DATA "${PROJECT_SOURCE_DIR}/data")
set(NODREL_DEBIAN "${PROJECT_SOURCE_DIR}/packaging/debian")
set(NODREL_GENERATED "${PROJECT_BINARY_DIR}/packaging")

# The version is project()'s. The files that must spell it out themselves (dpkg reads the
# changelog's top entry, man the pages' title line) have to say the same.
foreach(file packaging/debian/changelog data/man/nodreld.8 data/man/nodrel.1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${file})
  file(STRINGS ${PROJECT_SOURCE_DIR}/${file} first LIMIT_COUNT 1)
  string(REGEX MATCH "^nodrel \\(([^)]*)\\)|\"Nodrel ([^\"]*)\"" found "${first}")
  if(NOT "${CMAKE_MATCH_1}${CMAKE_MATCH_2}" STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${file} names another version than ${PROJECT_VERSION}: ${first}")
  endif()
endforeach()

configure_file(${NODREL_DATA}/systemd/nodreld.service.in ${NODREL_GENERATED}/nodreld.service @ONLY)
configure_file(${NODREL_DATA}/systemd/nodrel.tmpfiles.in ${NODREL_GENERATED}/nodrel.tmpfiles @ONLY)

# Manual pages and the changelog go compressed, as Debian wants them; -n leaves the name
# and time out of the header, so the same source gives the same bytes.
find_program(NODREL_GZIP gzip REQUIRED)
set(NODREL_COMPRESSED)
foreach(source ${NODREL_DATA}/man/nodreld.8 ${NODREL_DATA}/man/nodrel.1
               ${NODREL_DEBIAN}/changelog)
  get_filename_component(target ${source} NAME)
  set(target ${target}.gz)
  add_custom_command(
    OUTPUT ${NODREL_GENERATED}/${target}
    COMMAND ${NODREL_GZIP} -9nc ${source} > ${NODREL_GENERATED}/${target}
    DEPENDS ${source}
    COMMENT "Compressing ${target}"
    VERBATIM)
  list(APPEND NODREL_COMPRESSED ${NODREL_GENERATED}/${target})
endforeach()
add_custom_target(nodrel_install_files ALL DEPENDS ${NODREL_COMPRESSED})

# ---- daemon: package nodreld ----------------------------------------------------------
install(TARGETS nodreld RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR} COMPONENT daemon)
install(FILES ${NODREL_DATA}/Nodrel4.ini
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nodrel COMPONENT daemon)
install(FILES ${NODREL_GENERATED}/nodreld.service
        DESTINATION ${NODREL_SYSTEMD_UNITDIR} COMPONENT daemon)
install(FILES ${NODREL_DATA}/systemd/nodrel.sysusers
        DESTINATION ${NODREL_SYSUSERSDIR} RENAME nodrel.conf COMPONENT daemon)
install(FILES ${NODREL_GENERATED}/nodrel.tmpfiles
        DESTINATION ${NODREL_TMPFILESDIR} RENAME nodrel.conf COMPONENT daemon)
install(FILES ${NODREL_DATA}/polkit/50-nodrel.rules
        DESTINATION ${NODREL_POLKIT_RULESDIR} COMPONENT daemon)
install(FILES ${NODREL_DATA}/logrotate/nodreld
        DESTINATION ${NODREL_LOGROTATEDIR} COMPONENT daemon)
install(FILES ${NODREL_GENERATED}/nodreld.8.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT daemon)
install(FILES ${NODREL_DEBIAN}/copyright ${NODREL_GENERATED}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/nodreld COMPONENT daemon)

# ---- desktop: package nodrel ----------------------------------------------------------
configure_file(${NODREL_DATA}/desktop/nodrel.desktop.in
               ${NODREL_GENERATED}/nodrel.desktop @ONLY)
configure_file(${NODREL_DATA}/desktop/nodrel-autostart.desktop.in
               ${NODREL_GENERATED}/nodrel-autostart.desktop @ONLY)
configure_file(${NODREL_DATA}/desktop/nodrel-desktop.in
               ${NODREL_GENERATED}/nodrel-desktop @ONLY)
configure_file(${NODREL_DATA}/io.github.nodrel.Nodrel.metainfo.xml.in
               ${NODREL_GENERATED}/io.github.nodrel.Nodrel.metainfo.xml @ONLY)

install(TARGETS nodrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
install(PROGRAMS ${NODREL_GENERATED}/nodrel-desktop
        DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/nodrel COMPONENT desktop)
install(FILES ${NODREL_GENERATED}/nodrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${NODREL_GENERATED}/io.github.nodrel.Nodrel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)
install(FILES ${NODREL_DATA}/icons/nodrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT desktop)
install(FILES ${NODREL_GENERATED}/nodrel-autostart.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/nodrel/examples COMPONENT desktop)
install(FILES ${NODREL_GENERATED}/nodrel.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT desktop)
install(FILES ${NODREL_DEBIAN}/copyright ${NODREL_GENERATED}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/nodrel COMPONENT desktop)

# ---- CPack: the Debian packages -------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nodrel)
set(CPACK_PACKAGE_VENDOR "The Nodrel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${NODREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL daemon desktop)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NODREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${NODREL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SOURCE nodrel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DAEMON_PACKAGE_NAME nodreld)
set(CPACK_DEBIAN_DAEMON_PACKAGE_SECTION admin)
# systemd for sysusers, tmpfiles and logind; the system bus to reach logind. polkit is
# what lets the service's user carry the actions out.
set(CPACK_DEBIAN_DAEMON_PACKAGE_DEPENDS "systemd, dbus")
set(CPACK_DEBIAN_DAEMON_PACKAGE_RECOMMENDS "polkitd")
set(CPACK_DEBIAN_DAEMON_DESCRIPTION
"power the computer off after a spell of low processor load
Nodrel watches the processor load. When the load has stayed below a
threshold for a set time, it counts down and then powers the computer off,
reboots, halts, hibernates or suspends it through systemd-logind. Two
computers can be linked over UDP, the master keeping its slave running.
.
This package holds nodreld, the program without windows, with a confined
systemd service (not enabled by the package) that runs it as the user
nodrel in /var/lib/nodrel, and a polkit rule that lets that user, and no
other, carry out the power actions.")
# conffiles: the logrotate snippet in /etc, which an administrator may edit.
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_EXTRA
    "${NODREL_DEBIAN}/nodreld/conffiles;${NODREL_DEBIAN}/nodreld/postinst"
    "${NODREL_DEBIAN}/nodreld/prerm;${NODREL_DEBIAN}/nodreld/postrm")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME nodrel)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION utils)
# The Qt platform plugins are plugins, which shlibdeps cannot see.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "nodreld (= ${PROJECT_VERSION}), qt6-qpa-plugins")
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
"power the computer off after a spell of low processor load (desktop)
Nodrel watches the processor load. When the load has stayed below a
threshold for a set time, it counts down and then powers the computer off,
reboots, halts, hibernates or suspends it through systemd-logind. Two
computers can be linked over UDP, the master keeping its slave running.
.
This package holds nodrel, the desktop program with a small window, a tray
icon and a configuration window, with its menu entry and an example entry
to start it at log-in.")

# Only packages for /usr: refuse to build them from a tree configured for another prefix.
set(CPACK_PROJECT_CONFIG_FILE "${NODREL_GENERATED}/CPackProjectConfig.cmake")
file(WRITE "${CPACK_PROJECT_CONFIG_FILE}" [=[
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "The Debian packages install under /usr; configure the build with "
                      "-DCMAKE_INSTALL_PREFIX=/usr (it is ${CPACK_PACKAGING_INSTALL_PREFIX}).")
endif()
]=])

include(CPack)
