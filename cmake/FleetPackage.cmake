# korva5-fleet: the central office's check, a package of its own beside korva5-upload, from the
# same build (included by DebianPackage.cmake). It holds
#   /usr/bin/korva5-fleet                          the check, a command on every user's PATH, as
#                                                  monitors (Nagios, cron) call it
#   /usr/share/korva5-fleet/fleet.ini.example      what postinst makes /etc/korva5/fleet.ini from
#   /usr/share/korva5-fleet/korva5-fleet.rules.yml Prometheus' alert rules for its text
#   /lib/systemd/system/korva5-fleet.{service,timer}  the check every five minutes, switched off
#   /usr/share/man/man1/korva5-fleet.1.gz, /usr/share/doc/korva5-fleet/
# and never the office's settings: postinst makes them once, readable by the service's user only.
set(KORVA5_FLEET_PROGRAM /usr/bin/korva5-fleet)
set(KORVA5_FLEET_SHARE /usr/share/korva5-fleet)
set(KORVA5_FLEET_STATE /var/lib/korva5-fleet)
set(KORVA5_FLEET_USER korva5-fleet)
if(NOT KORVA5_FLEET_CONFIG)
    message(FATAL_ERROR "the packages' build needs KORVA5_FLEET_CONFIG (the preset \"package\" sets it)")
endif()
set(fleet_build ${KORVA5_DEB_BUILD}/korva5-fleet)

install(TARGETS korva5-fleet RUNTIME DESTINATION usr/bin COMPONENT fleet EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/data/fleet.ini.example ${PROJECT_SOURCE_DIR}/data/korva5-fleet.rules.yml
        DESTINATION .${KORVA5_FLEET_SHARE} COMPONENT fleet EXCLUDE_FROM_ALL)
configure_file(${KORVA5_DEB_SOURCE}/korva5-fleet/korva5-fleet.service.in ${fleet_build}/korva5-fleet.service @ONLY)
install(FILES ${fleet_build}/korva5-fleet.service ${KORVA5_DEB_SOURCE}/korva5-fleet/korva5-fleet.timer
        DESTINATION lib/systemd/system COMPONENT fleet EXCLUDE_FROM_ALL)
# The manual page, compressed as Debian wants it (best compression, no time stamp).
configure_file(${KORVA5_DEB_SOURCE}/korva5-fleet/korva5-fleet.1.in ${fleet_build}/korva5-fleet.1 @ONLY)
execute_process(COMMAND gzip -9nf ${fleet_build}/korva5-fleet.1 RESULT_VARIABLE gzipped)
if(NOT gzipped EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${fleet_build}/korva5-fleet.1")
endif()
install(FILES ${fleet_build}/korva5-fleet.1.gz DESTINATION usr/share/man/man1 COMPONENT fleet EXCLUDE_FROM_ALL)
korva5_deb_documents(fleet korva5-fleet)
install(FILES ${PROJECT_SOURCE_DIR}/docs/fleet.md DESTINATION usr/share/doc/korva5-fleet RENAME README.md COMPONENT fleet EXCLUDE_FROM_ALL)
foreach(script postinst prerm postrm)
    configure_file(${KORVA5_DEB_SOURCE}/korva5-fleet/${script}.in ${fleet_build}/${script} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
