# Writes the program folder's desktop entry at install time. Paths are escaped and quoted the way
# desktops read an entry's values, so a folder with blanks, quotes, "$" or non-ASCII letters in
# its name still gives an entry that starts the program:
#  - Exec: the program as one quoted argument; inside the quotes '"', '`', '$' and '\' carry a
#    backslash, '%' is doubled; then, as in every string value, each '\' is written twice;
#  - Path, Icon: string values, where '\' is written twice.
function(korva5_desktop_string out value)
    string(REPLACE "\\" "\\\\" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

function(korva5_desktop_exec out program)
    set(arg "${program}")
    string(REPLACE "\\" "\\\\" arg "${arg}")
    string(REPLACE "\"" "\\\"" arg "${arg}")
    string(REPLACE "`" "\\`" arg "${arg}")
    string(REPLACE "$" "\\$" arg "${arg}")
    string(REPLACE "%" "%%" arg "${arg}")
    korva5_desktop_string(arg "\"${arg}\"")
    set(${out} "${arg}" PARENT_SCOPE)
endfunction()

# korva5_write_desktop_entry(FILE PREFIX [ICON [HIDDEN]]): the entry of the program in PREFIX, with
# the icon file beside it, or ICON (a name from the icon theme) when given. HIDDEN (true or false)
# writes Hidden=, the switch of an autostart entry. TryExec makes desktops pass over an entry (a
# menu's or an autostart's) whose program is gone.
function(korva5_write_desktop_entry file prefix)
    korva5_desktop_exec(exec "${prefix}/korva5-upload")
    korva5_desktop_string(program "${prefix}/korva5-upload")
    korva5_desktop_string(path "${prefix}")
    if(ARGC GREATER 2 AND NOT ARGV2 STREQUAL "")
        korva5_desktop_string(icon "${ARGV2}")
    else()
        korva5_desktop_string(icon "${prefix}/korva5.png")
    endif()
    set(hidden "")
    if(ARGC GREATER 3)
        set(hidden "Hidden=${ARGV3}\n")
    endif()
    file(WRITE "${file}" "[Desktop Entry]
Type=Application
Name=KORVA5 Records Upload System
Name[zh_CN]=KORVA5 记录上传系统
Name[zh_TW]=KORVA5 記錄上傳系統
Comment=Sends each day's records file to the FTP server
Comment[zh_CN]=将每天的记录文件上传到 FTP 服务器
Comment[zh_TW]=將每天的記錄檔案上傳到 FTP 伺服器
TryExec=${program}
Exec=${exec}
Path=${path}
Icon=${icon}
Terminal=false
StartupNotify=false
Categories=Network;FileTransfer;
Keywords=FTP;upload;records;station;
Keywords[zh_CN]=FTP;上传;记录;站;
Keywords[zh_TW]=FTP;上傳;記錄;站;
X-GNOME-Autostart-enabled=true
${hidden}")
endfunction()
