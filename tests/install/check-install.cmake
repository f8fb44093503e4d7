# Installs the program twice into a fresh folder and checks the program folder it lays out:
# the executable, Language.txt, the icons, a desktop entry, and a TALLYPORT.ini template that
# is readable by its owner only and never overwritten once there.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P check-install.cmake
# A folder name with a blank and a letter outside ASCII, as users name folders.
set(prefix "${WORK_DIR}/KORVA5 Upload ü")
file(REMOVE_RECURSE "${prefix}")

function(install_once)
    execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cmake --install failed: ${result}")
    endif()
endfunction()

install_once()
foreach(name korva5-upload Language.txt TALLYPORT.ini korva5.png disabled.png korva5-upload.desktop korva5-fleet fleet.ini.example)
    if(NOT EXISTS "${prefix}/${name}")
        message(FATAL_ERROR "missing after install: ${name}")
    endif()
endforeach()
# The entry is valid, speaks the three languages, and starts the installed program from there.
find_program(validate desktop-file-validate)
if(NOT validate)
    message(FATAL_ERROR "desktop-file-validate is missing (./run installs desktop-file-utils)")
endif()
execute_process(COMMAND "${validate}" "${prefix}/korva5-upload.desktop" RESULT_VARIABLE result
                OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT result EQUAL 0 OR said MATCHES "error")
    message(FATAL_ERROR "the desktop entry is not valid:\n${said}")
endif()
file(READ "${prefix}/korva5-upload.desktop" entry)
foreach(key "Name[zh_CN]=" "Name[zh_TW]=" "Comment[zh_CN]=" "Comment[zh_TW]=" "StartupNotify=false")
    string(FIND "${entry}" "${key}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the desktop entry has no ${key}:\n${entry}")
    endif()
endforeach()
execute_process(COMMAND /usr/bin/python3 "${SOURCE_DIR}/tests/install/launch-entry.py"
                        "${prefix}/korva5-upload.desktop" "${prefix}/korva5-upload"
                RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the program does not start through its desktop entry:\n${said}")
endif()
if(UNIX)
    execute_process(COMMAND stat -c %a "${prefix}/TALLYPORT.ini" OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT mode STREQUAL "600")
        message(FATAL_ERROR "TALLYPORT.ini is installed with mode ${mode}, not 600")
    endif()
endif()

# The fleet check runs from the program folder without a display, and its example settings are
# ones it reads (an office copies the file to fleet.ini and changes the server).
execute_process(COMMAND "${prefix}/korva5-fleet" --config "${prefix}/fleet.ini.example" --server 127.0.0.1:1 --timeout 10
                RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT result EQUAL 3 OR NOT said MATCHES "^UNKNOWN: cannot open the records folder /upload/ on 127.0.0.1:1")
    message(FATAL_ERROR "the installed korva5-fleet with its example settings said (${result}):\n${said}")
endif()

file(WRITE "${prefix}/TALLYPORT.ini" "[TALLY]\nFtpNo=12\n")
install_once()
file(READ "${prefix}/TALLYPORT.ini" settings)
if(NOT settings STREQUAL "[TALLY]\nFtpNo=12\n")
    message(FATAL_ERROR "a second install overwrote TALLYPORT.ini:\n${settings}")
endif()
message(STATUS "install lays out the program folder and keeps TALLYPORT.ini")
