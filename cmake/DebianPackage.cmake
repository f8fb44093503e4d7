# The Debian packages, made from a build of their own: packaging/deb/build-packages.sh (which
# `./run package` calls) configures it with the preset "package" (the station folder below) and
# Debian's hardening flags, builds korva5-deb-contents and runs `cpack -G DEB`. A build without a
# station folder (the default and asan presets, the tests) makes no packages: its program looks
# for its files beside itself, which an installed program must not.
#
# korva5-upload holds (korva5-fleet, the office's check: cmake/FleetPackage.cmake)
#   /opt/korva5-upload/korva5-upload                 the program, root's, in a folder nobody else writes
#   /usr/share/korva5-upload/TALLYPORT.ini.template  the settings postinst puts in the station folder once
#   /usr/share/korva5-upload/Language.txt            the captions postinst puts there once
#   /usr/share/applications, /usr/share/icons        the menu entry and its icon
#   /etc/xdg/autostart/korva5-upload.desktop         start at log-in, off (Hidden=true) until the
#                                                    administrator switches it on; a conffile
# and never the station's own files (TALLYPORT.ini, Language.txt, the journal): postinst puts them
# in the station folder, KORVA5_STATION_DIR, and they stay the station's across upgrades. The
# install rules are of the package's component and left out of a plain `cmake --install`, which
# lays out a program folder as before.
#
# Another package from the same build is one more component: its install rules, a
# korva5_deb_documents() call, its CPACK_DEBIAN_<COMPONENT>_* fields and its name in
# CPACK_COMPONENTS_ALL and korva5-deb-contents.
if(NOT KORVA5_STATION_DIR)
    return()
endif()

set(KORVA5_DEB_SOURCE ${PROJECT_SOURCE_DIR}/packaging/deb)
set(KORVA5_DEB_BUILD ${PROJECT_BINARY_DIR}/packaging/deb)
set(KORVA5_PACKAGE_MAINTAINER "KORVA5 Records Upload System maintainers <korva5-upload@example.org>"
    CACHE STRING "Maintainer field of the Debian packages: who answers for them at the stations")
# The version is the program's own ("1.00"). The epoch puts it after the first package's 1.0.0,
# which dpkg would otherwise take for the newer one.
set(KORVA5_DEB_EPOCH 1)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE KORVA5_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)

# korva5_deb_documents(COMPONENT PACKAGE): the licence and the changelog (compressed as Debian
# wants it: best compression, no time stamp) in /usr/share/doc/PACKAGE. One changelog for all the
# packages, as they are built from one source.
configure_file(${KORVA5_DEB_SOURCE}/changelog ${KORVA5_DEB_BUILD}/changelog COPYONLY)
execute_process(COMMAND gzip -9nf ${KORVA5_DEB_BUILD}/changelog RESULT_VARIABLE gzipped)
if(NOT gzipped EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${KORVA5_DEB_BUILD}/changelog")
endif()
function(korva5_deb_documents component package)
    install(FILES ${KORVA5_DEB_SOURCE}/copyright ${KORVA5_DEB_BUILD}/changelog.gz DESTINATION usr/share/doc/${package}
            COMPONENT ${component} EXCLUDE_FROM_ALL)
endfunction()

# korva5-upload: the station's program.
set(KORVA5_DEB_PROGRAM_DIR /opt/korva5-upload)
set(KORVA5_DEB_SHARE_DIR /usr/share/korva5-upload)
set(KORVA5_DEB_GROUP korva5-upload)
set(KORVA5_DEB_AUTOSTART /etc/xdg/autostart/korva5-upload.desktop)
install(TARGETS korva5-upload RUNTIME DESTINATION .${KORVA5_DEB_PROGRAM_DIR} COMPONENT upload EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/data/TALLYPORT.ini.template ${PROJECT_SOURCE_DIR}/data/Language.txt
        DESTINATION .${KORVA5_DEB_SHARE_DIR} COMPONENT upload EXCLUDE_FROM_ALL)
include(${PROJECT_SOURCE_DIR}/cmake/DesktopEntry.cmake)
korva5_write_desktop_entry(${KORVA5_DEB_BUILD}/korva5-upload.desktop ${KORVA5_DEB_PROGRAM_DIR} korva5-upload)
korva5_write_desktop_entry(${KORVA5_DEB_BUILD}/autostart/korva5-upload.desktop ${KORVA5_DEB_PROGRAM_DIR} korva5-upload true)
install(FILES ${KORVA5_DEB_BUILD}/korva5-upload.desktop DESTINATION usr/share/applications COMPONENT upload EXCLUDE_FROM_ALL)
install(FILES ${KORVA5_DEB_BUILD}/autostart/korva5-upload.desktop DESTINATION etc/xdg/autostart
        COMPONENT upload EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/data/images/korva5.png DESTINATION usr/share/icons/hicolor/64x64/apps
        RENAME korva5-upload.png COMPONENT upload EXCLUDE_FROM_ALL)
korva5_deb_documents(upload korva5-upload)
install(FILES ${KORVA5_DEB_SOURCE}/korva5-upload/lintian-overrides DESTINATION usr/share/lintian/overrides
        RENAME korva5-upload COMPONENT upload EXCLUDE_FROM_ALL)
# The maintainer scripts, with the folders and the group filled in; the autostart entry is the
# administrator's to edit, so dpkg keeps it across upgrades.
foreach(script preinst postinst postrm)
    configure_file(${KORVA5_DEB_SOURCE}/korva5-upload/${script}.in ${KORVA5_DEB_BUILD}/korva5-upload/${script} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
file(WRITE ${KORVA5_DEB_BUILD}/korva5-upload/conffiles "${KORVA5_DEB_AUTOSTART}\n")

include(${PROJECT_SOURCE_DIR}/cmake/FleetPackage.cmake)

# What the packages hold that a build makes; cpack builds nothing else (not the benchmarks).
add_custom_target(korva5-deb-contents DEPENDS korva5-upload korva5-fleet)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korva5-upload)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KORVA5 Records Upload System")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL upload fleet)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_PACKAGE_EPOCH ${KORVA5_DEB_EPOCH})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVA5_PACKAGE_MAINTAINER}")
# The libraries the executables link (Qt, libcurl, SQLite ...), as dpkg-shlibdeps finds their
# packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_UPLOAD_PACKAGE_NAME korva5-upload)
# Debian's file name: without the epoch.
set(CPACK_DEBIAN_UPLOAD_FILE_NAME korva5-upload_${PROJECT_VERSION}_${KORVA5_DEB_ARCH}.deb)
set(CPACK_COMPONENT_UPLOAD_DESCRIPTION "sends each day's records file of a station to an FTP server
KORVA5 Records Upload System lives in the notification area of the workstation
beside a records-collecting station and sends the day's records file
(yyyymmdd.txt) to an FTP, FTPS or SFTP server at up to ten times of day,
retrying what fails and keeping a journal of every upload.
.
The program is /opt/korva5-upload/korva5-upload. Its settings (TALLYPORT.ini),
captions (Language.txt) and journal are in ${KORVA5_STATION_DIR}, where
postinst puts the settings and captions on the first install only; members
of the group ${KORVA5_DEB_GROUP} may run the program and change its settings.")
# adduser for postinst's group; the rest as the executable needs it.
set(CPACK_DEBIAN_UPLOAD_PACKAGE_DEPENDS "adduser")
# Without a Chinese font the China and Taiwan captions are empty boxes; the window's font is
# Courier New, which Liberation Mono stands in for.
set(CPACK_DEBIAN_UPLOAD_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, fonts-liberation")
set(CPACK_DEBIAN_FLEET_PACKAGE_NAME korva5-fleet)
set(CPACK_DEBIAN_FLEET_FILE_NAME korva5-fleet_${PROJECT_VERSION}_${KORVA5_DEB_ARCH}.deb)
set(CPACK_DEBIAN_FLEET_PACKAGE_SECTION net)
set(CPACK_COMPONENT_FLEET_DESCRIPTION "checks that every KORVA5 station's records file reached the FTP server
The central office's side of the KORVA5 Records Upload System: korva5-fleet
lists the records folder of the stations' FTP, FTPS or SFTP server, tells for
each station whether its file of the day arrived, came late or is missing,
reads the stations' heartbeats, and answers as a Nagios or Icinga check, in
JSON or in Prometheus' text format, with a page of the last days.
.
The settings are ${KORVA5_FLEET_CONFIG}. A systemd timer (korva5-fleet.timer,
installed switched off) runs the check every five minutes as the user
${KORVA5_FLEET_USER} and writes the page and the Prometheus text into
${KORVA5_FLEET_STATE}; alert rules for Prometheus are in
${KORVA5_FLEET_SHARE}.")
# adduser for postinst's user; the rest as the executable needs it (Qt Core, libcurl, SQLite:
# nothing of a desktop).
set(CPACK_DEBIAN_FLEET_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_FLEET_PACKAGE_SUGGESTS "prometheus-node-exporter")
set(CPACK_DEBIAN_FLEET_PACKAGE_CONTROL_EXTRA
    ${KORVA5_DEB_BUILD}/korva5-fleet/postinst ${KORVA5_DEB_BUILD}/korva5-fleet/prerm ${KORVA5_DEB_BUILD}/korva5-fleet/postrm)
set(CPACK_DEBIAN_UPLOAD_PACKAGE_CONTROL_EXTRA
    ${KORVA5_DEB_BUILD}/korva5-upload/preinst ${KORVA5_DEB_BUILD}/korva5-upload/postinst
    ${KORVA5_DEB_BUILD}/korva5-upload/postrm ${KORVA5_DEB_BUILD}/korva5-upload/conffiles)
include(CPack)
