# A Debian package for stations that run Linux: `cpack -G DEB` in the build folder (or
# `./run package`) makes korva5-upload_<version>_<arch>.deb. It holds
#   /opt/korva5-upload/korva5-upload                 the program, in its program folder
#   /usr/share/korva5-upload/TALLYPORT.ini.template  the settings postinst puts in place once
#   /usr/share/korva5-upload/Language.txt            the captions postinst puts in place once
#   /usr/share/applications, /usr/share/icons        the desktop entry (also the one to copy for
#                                                    starting at log-in) and the icon
# and never TALLYPORT.ini, Language.txt or the journal themselves: those are the station's, and
# dpkg replaces what a package holds on every upgrade. The rules are of component "deb" and left
# out of a plain `cmake --install`, which lays out a program folder as before.
set(KORVA5_DEB_FOLDER opt/korva5-upload)
set(KORVA5_DEB_SHARE usr/share/korva5-upload)
set(KORVA5_DEB_SOURCE ${PROJECT_SOURCE_DIR}/packaging/deb)
set(KORVA5_DEB_BUILD ${PROJECT_BINARY_DIR}/packaging/deb)
set(KORVA5_PACKAGE_MAINTAINER "KORVA5 Records Upload System maintainers <korva5-upload@example.org>"
    CACHE STRING "Maintainer field of the Debian package: who answers for it at the stations")

install(TARGETS korva5-upload RUNTIME DESTINATION ${KORVA5_DEB_FOLDER} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/data/TALLYPORT.ini.template ${PROJECT_SOURCE_DIR}/data/Language.txt
        DESTINATION ${KORVA5_DEB_SHARE} COMPONENT deb EXCLUDE_FROM_ALL)

include(${PROJECT_SOURCE_DIR}/cmake/DesktopEntry.cmake)
korva5_write_desktop_entry(${KORVA5_DEB_BUILD}/korva5-upload.desktop /${KORVA5_DEB_FOLDER} korva5-upload)
install(FILES ${KORVA5_DEB_BUILD}/korva5-upload.desktop DESTINATION usr/share/applications
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/data/images/korva5.png DESTINATION usr/share/icons/hicolor/64x64/apps
        RENAME korva5-upload.png COMPONENT deb EXCLUDE_FROM_ALL)

# Debian's documentation files: the licence, and the changelog compressed as Debian wants it
# (best compression, no time stamp). Copied first so that an edit of it configures again.
configure_file(${KORVA5_DEB_SOURCE}/changelog ${KORVA5_DEB_BUILD}/changelog COPYONLY)
execute_process(COMMAND gzip -9nf ${KORVA5_DEB_BUILD}/changelog RESULT_VARIABLE gzipped)
if(NOT gzipped EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${KORVA5_DEB_BUILD}/changelog")
endif()
install(FILES ${KORVA5_DEB_SOURCE}/copyright ${KORVA5_DEB_BUILD}/changelog.gz DESTINATION usr/share/doc/korva5-upload
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${KORVA5_DEB_SOURCE}/lintian-overrides DESTINATION usr/share/lintian/overrides RENAME korva5-upload
        COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korva5-upload)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KORVA5 Records Upload System")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sends each day's records file of a station to an FTP server")
# Lines under 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "KORVA5 Records Upload System lives in the notification area of the workstation
beside a records-collecting station and sends the day's records file
(yyyymmdd.txt) to an FTP, FTPS or SFTP server at up to ten times of day,
retrying what fails and keeping a journal of every upload.
.
The program folder is /opt/korva5-upload. The settings file TALLYPORT.ini and
the captions file Language.txt are put there on the first install only;
members of the group korva5-upload may run the program and change its settings.")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL deb)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_PACKAGE_NAME korva5-upload)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVA5_PACKAGE_MAINTAINER}")
# The libraries the executable links (Qt, libcurl, SQLite ...), as dpkg-shlibdeps finds their
# packages; adduser for postinst's group.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
# Without a Chinese font the China and Taiwan captions are empty boxes; the window's font is
# Courier New, which Liberation Mono stands in for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KORVA5_DEB_SOURCE}/postinst ${KORVA5_DEB_SOURCE}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
