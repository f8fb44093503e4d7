# Installs the program twice into a fresh folder and checks the program folder it lays out:
# the executable, Language.txt, the icons, a desktop entry, and a TALLYPORT.ini template that
# is readable by its owner only and never overwritten once there.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P check-install.cmake
set(prefix "${WORK_DIR}/program")
file(REMOVE_RECURSE "${prefix}")

function(install_once)
    execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cmake --install failed: ${result}")
    endif()
endfunction()

install_once()
foreach(name korva5-upload Language.txt TALLYPORT.ini korva5.png disabled.png korva5-upload.desktop)
    if(NOT EXISTS "${prefix}/${name}")
        message(FATAL_ERROR "missing after install: ${name}")
    endif()
endforeach()
file(READ "${prefix}/korva5-upload.desktop" entry)
if(NOT entry MATCHES "Exec=${prefix}/korva5-upload")
    message(FATAL_ERROR "the desktop entry does not start the installed program:\n${entry}")
endif()
if(UNIX)
    execute_process(COMMAND stat -c %a "${prefix}/TALLYPORT.ini" OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT mode STREQUAL "600")
        message(FATAL_ERROR "TALLYPORT.ini is installed with mode ${mode}, not 600")
    endif()
endif()

file(WRITE "${prefix}/TALLYPORT.ini" "[TALLY]\nFtpNo=12\n")
install_once()
file(READ "${prefix}/TALLYPORT.ini" settings)
if(NOT settings STREQUAL "[TALLY]\nFtpNo=12\n")
    message(FATAL_ERROR "a second install overwrote TALLYPORT.ini:\n${settings}")
endif()
message(STATUS "install lays out the program folder and keeps TALLYPORT.ini")
