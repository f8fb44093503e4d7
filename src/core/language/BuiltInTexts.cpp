// SPDX-License-Identifier: MIT
#include "core/language/BuiltInTexts.h"
#include "core/language/TextRow.h"

#include <algorithm>
#include <iterator>

namespace korva5 {

namespace {

using BuiltInTexts::Row;

// Every text the program shows, in its three languages (the office's page's are in PageTexts.cpp).
// Language.txt overrides them key by key; a station's own file that lacks a key (one from before
// it existed) shows these.
constexpr Row Texts[] = {
    {"Run", u8"&Run", u8"运行(&R)", u8"執行(&R)"},
    {"Stop", u8"&Stop", u8"停止(&S)", u8"停止(&S)"},
    {"Parameter", u8"&Parameter", u8"参数设置(&P)", u8"參數設定(&P)"},
    {"Exit", u8"E&xit", u8"退出(&X)", u8"結束(&X)"},
    {"Title", u8"KORVA5 Records Upload System", u8"KORVA5 记录上传系统", u8"KORVA5 記錄上傳系統"},
    {"Minimized", u8"Mi&nimized", u8"最小化(&N)", u8"最小化(&N)"},
    {"ManualUpload", u8"&Manual Upload", u8"手动上传(&M)", u8"手動上傳(&M)"},
    {"YesterdayUpload", u8"&Yesterday Upload", u8"上传昨日(&Y)", u8"上傳昨日(&Y)"},
    {"UploadDate", u8"Upload Date", u8"上传日期", u8"上傳日期"},
    {"ManualUploadSet", u8"Manual Upload Set", u8"手动上传设置", u8"手動上傳設定"},
    {"UploadFile", u8"Upload File:", u8"上传文件：", u8"上傳檔案："},
    {"LocalFile", u8"Local File:", u8"本地文件：", u8"本機檔案："},
    {"LocalPath", u8"Local Path:", u8"本地路径：", u8"本機路徑："},
    {"UploadPath", u8"Upload Path:", u8"上传路径：", u8"上傳路徑："},
    {"UploadIP", u8"Upload IP:", u8"上传服务器：", u8"上傳伺服器："},
    {"Yesterday", u8"(Yesterday)", u8"（昨日）", u8"（昨日）"},
    {"Count", u8"Count:", u8"计数：", u8"計數："},
    {"StationNo", u8"Station No:", u8"站号：", u8"站號："},
    {"UploadTime", u8"Upload Time:", u8"上传时间：", u8"上傳時間："},
    {"AutoUploadInfo", u8"Auto Upload Information", u8"自动上传信息", u8"自動上傳資訊"},
    {"RunStatus", u8"KORVA5 Records Upload System - running", u8"KORVA5 记录上传系统 - 运行中", u8"KORVA5 記錄上傳系統 - 執行中"},
    {"StopStatus", u8"KORVA5 Records Upload System - stopped", u8"KORVA5 记录上传系统 - 已停止", u8"KORVA5 記錄上傳系統 - 已停止"},
    {"Ok", u8"&Ok", u8"确定(&O)", u8"確定(&O)"},
    {"Cancel", u8"&Cancel", u8"取消(&C)", u8"取消(&C)"},
    {"Test", u8"&Test", u8"测试(&T)", u8"測試(&T)"},
    {"UserName", u8"User Name:", u8"用户名：", u8"使用者名稱："},
    {"Password", u8"Password:", u8"密码：", u8"密碼："},
    {"AlarmFailed", u8"%1 not sent: %2. Next try %3.", u8"%1 未发送：%2。下次尝试 %3。", u8"%1 未傳送：%2。下次嘗試 %3。"},
    {"AlarmGivenUp", u8"%1 not sent: %2. No more tries.", u8"%1 未发送：%2。不再重试。", u8"%1 未傳送：%2。不再重試。"},
    {"AlarmDelivered", u8"%1 has been delivered after all.", u8"%1 已补发成功。", u8"%1 已補傳成功。"},
    {"AlarmTitle", u8"uploads owed", u8"有文件待上传", u8"有檔案待上傳"},
    {"StatusLast", u8"Last:", u8"上次：", u8"上次："},
    {"StatusNext", u8"Next:", u8"下次：", u8"下次："},
    {"StatusWaiting", u8"Waiting:", u8"等待：", u8"等待："},
    {"StatusNone", u8"none", u8"无", u8"無"},
    {"StatusTomorrow", u8"%1 tomorrow", u8"明天 %1", u8"明天 %1"},
    {"StatusOwed", u8"Owed:", u8"待补发：", u8"待補傳："},
    {"StatusNextTry", u8"(next try %1)", u8"（下次尝试 %1）", u8"（下次嘗試 %1）"},
    {"StatusNoMoreTries", u8"(no more tries)", u8"（不再重试）", u8"（不再重試）"},
    {"StatusFailedByHand", u8"Manual upload of %1 failed: %2", u8"手动上传 %1 失败：%2", u8"手動上傳 %1 失敗：%2"},
    {"StatusNotConfigured", u8"Not configured: open Parameter", u8"尚未设置：请打开参数设置", u8"尚未設定：請開啟參數設定"},
    {"History", u8"&History", u8"历史记录(&H)", u8"歷史記錄(&H)"},
    {"HistoryFailures", u8"&Failures only", u8"只看失败(&F)", u8"只看失敗(&F)"},
    {"TimeLeft", u8"%1 left", u8"剩余 %1", u8"剩餘 %1"},
    // What the windows say about uploads, tests and settings, beyond the captions.
    {"ReasonDetail", u8"%1: %2", u8"%1：%2", u8"%1：%2"},
    {"ReasonOther", u8"failed", u8"失败", u8"失敗"},
    {"ReasonLocalMissing", u8"no such file %1", u8"文件 %1 不存在", u8"檔案 %1 不存在"},
    {"ReasonLocalUnreadable", u8"cannot read %1", u8"无法读取 %1", u8"無法讀取 %1"},
    {"ReasonLocalNotAllowed", u8"%1 links outside the records folder", u8"%1 指向记录文件夹以外的位置", u8"%1 指向記錄資料夾以外的位置"},
    {"ReasonLocalChanged", u8"%1 shrank while it was sent", u8"%1 在上传过程中变小了", u8"%1 在上傳過程中變小了"},
    {"ReasonNameRefused", u8"refused: a name would leave the remote folder or holds a control character",
     u8"已拒绝：名称会超出远程文件夹或含有控制字符", u8"已拒絕：名稱會超出遠端資料夾或含有控制字元"},
    {"ReasonNoServer", u8"no server is set", u8"未设置服务器", u8"未設定伺服器"},
    {"ReasonServerUnusable", u8"the server setting is not usable", u8"服务器设置无法使用", u8"伺服器設定無法使用"},
    {"ReasonCannotResolve", u8"server not found", u8"找不到服务器", u8"找不到伺服器"},
    {"ReasonConnectionRefused", u8"connection refused", u8"连接被拒绝", u8"連線被拒絕"},
    {"ReasonConnectTimedOut", u8"timed out after %1 s", u8"连接 %1 秒后超时", u8"連線 %1 秒後逾時"},
    {"ReasonServerSilent", u8"timed out after %1 s", u8"服务器 %1 秒无响应", u8"伺服器 %1 秒無回應"},
    {"ReasonStalled", u8"stalled: no data moved for %1 s", u8"传输停滞：%1 秒没有数据", u8"傳輸停滯：%1 秒沒有資料"},
    {"ReasonTlsRefused", u8"secure connection refused", u8"安全连接被拒绝", u8"安全連線被拒絕"},
    {"ReasonCertificateUntrusted", u8"the server's certificate is not trusted", u8"服务器的证书不受信任", u8"伺服器的憑證不受信任"},
    {"ReasonHostKeyUnknown", u8"the server's key is unknown or changed", u8"服务器的密钥未知或已更改", u8"伺服器的金鑰不明或已變更"},
    {"ReasonLoginRefused", u8"login refused", u8"登录被拒绝", u8"登入被拒絕"},
    {"ReasonRemoteFolderMissing", u8"no such remote folder", u8"服务器上没有该文件夹", u8"伺服器上沒有該資料夾"},
    {"ReasonRemoteWriteRefused", u8"the server refused the file", u8"服务器拒绝接收文件", u8"伺服器拒絕接收檔案"},
    {"ReasonServerDiskFull", u8"the server's disk is full", u8"服务器磁盘已满", u8"伺服器磁碟已滿"},
    {"ReasonTransferCut", u8"the connection broke during the upload", u8"上传过程中连接中断", u8"上傳過程中連線中斷"},
    {"ReasonNotConfirmed", u8"the server did not confirm the file", u8"服务器未确认收到文件", u8"伺服器未確認收到檔案"},
    {"ReasonSizeDiffers", u8"the server holds another size than was sent", u8"服务器上的文件大小与上传的不同",
     u8"伺服器上的檔案大小與上傳的不同"},
    {"ReasonRenameRefused", u8"the server refused the rename", u8"服务器拒绝重命名", u8"伺服器拒絕重新命名"},
    {"ReasonDeleteRefused", u8"the server did not delete the test file", u8"服务器未删除测试文件", u8"伺服器未刪除測試檔案"},
    {"ReasonEnded", u8"ended before it was done", u8"未完成即已结束", u8"未完成即已結束"},
    {"ReasonCurlMissing", u8"libcurl cannot be used", u8"无法使用 libcurl", u8"無法使用 libcurl"},
    {"ReasonCurlTooOld", u8"libcurl is too old", u8"libcurl 版本太旧", u8"libcurl 版本太舊"},
    {"ReasonCurlOptionRefused", u8"libcurl refused a setting", u8"libcurl 拒绝了一项设置", u8"libcurl 拒絕了一項設定"},
    {"ReasonTooManyWaiting", u8"%1 uploads are already waiting", u8"已有 %1 个上传在等待", u8"已有 %1 個上傳在等待"},
    {"TestPassed", u8"Connected, logged in, %1 accepts files", u8"已连接并登录，%1 可以接收文件", u8"已連線並登入，%1 可以接收檔案"},
    {"TestLoginFolder", u8"the login folder", u8"登录后的默认文件夹", u8"登入後的預設資料夾"},
    {"TestLoginRefused", u8"Login refused: check the user name and password", u8"登录被拒绝：请检查用户名和密码",
     u8"登入被拒絕：請檢查使用者名稱和密碼"},
    {"TestRemoteFolderMissing", u8"The folder %1 does not exist on the server", u8"服务器上不存在文件夹 %1", u8"伺服器上不存在資料夾 %1"},
    {"TestRemoteWriteRefused", u8"Logged in, but %1 does not accept files", u8"已登录，但 %1 不接收文件", u8"已登入，但 %1 不接收檔案"},
    {"TestServerDiskFull", u8"Logged in, but the server has no room for files in %1", u8"已登录，但服务器的 %1 没有空间存放文件",
     u8"已登入，但伺服器的 %1 沒有空間存放檔案"},
    {"TestCannotResolve", u8"Server not found: the host name is unknown", u8"找不到服务器：主机名未知", u8"找不到伺服器：主機名稱不明"},
    {"TestConnectionRefused", u8"Cannot connect: nothing answers at that address and port", u8"无法连接：该地址和端口没有响应",
     u8"無法連線：該位址和連接埠沒有回應"},
    {"TestConnectTimedOut", u8"Cannot connect: the server does not answer", u8"无法连接：服务器没有响应", u8"無法連線：伺服器沒有回應"},
    {"TestServerSilent", u8"The server stopped answering", u8"服务器停止了响应", u8"伺服器停止回應"},
    {"TestStalled", u8"The server stopped answering", u8"服务器停止了响应", u8"伺服器停止回應"},
    {"TestTlsRefused", u8"Cannot agree on a secure connection with the server", u8"无法与服务器建立安全连接", u8"無法與伺服器建立安全連線"},
    {"TestCertificateUntrusted", u8"The server's certificate is not trusted", u8"服务器的证书不受信任", u8"伺服器的憑證不受信任"},
    {"TestHostKeyUnknown", u8"The server's key is not in known_hosts, or has changed", u8"服务器的密钥不在 known_hosts 中，或已更改",
     u8"伺服器的金鑰不在 known_hosts 中，或已變更"},
    {"TestRenameRefused", u8"Logged in and sent a file to %1, but the server cannot rename it",
     u8"已登录并上传测试文件到 %1，但服务器无法重命名", u8"已登入並上傳測試檔案到 %1，但伺服器無法重新命名"},
    {"TestDeleteRefused", u8"%1 accepts files, but the test file could not be deleted", u8"%1 可以接收文件，但无法删除测试文件",
     u8"%1 可以接收檔案，但無法刪除測試檔案"},
    {"TestFailed", u8"Failed: %1", u8"失败：%1", u8"失敗：%1"},
    {"TestRunning", u8"Testing %1 ...", u8"正在测试 %1……", u8"正在測試 %1……"},
    {"TestCancelled", u8"Test cancelled", u8"测试已取消", u8"測試已取消"},
    {"TestNoFile", u8"Failed: cannot make a test file: %1", u8"失败：无法创建测试文件：%1", u8"失敗：無法建立測試檔案：%1"},
    {"SettingsNotSaved", u8"Settings not saved: %1", u8"设置未保存：%1", u8"設定未儲存：%1"},
    {"CheckTime", u8"\"%1\" is not a time: use HH:MM from 00:00 to 23:59 (08:30), or leave it empty",
     u8"“%1”不是有效的时间：请按“时:分”填写 00:00 至 23:59 之间的时间（如 08:30），或留空",
     u8"「%1」不是有效的時間：請按「時:分」填寫 00:00 至 23:59 之間的時間（如 08:30），或留空"},
    {"CheckNoLocalFolder", u8"No local folder is set: the records files (yyyymmdd.txt) would be looked for in the program's working folder",
     u8"未设置本地路径：将在程序的工作文件夹中查找记录文件（yyyymmdd.txt）",
     u8"未設定本機路徑：將在程式的工作資料夾中尋找記錄檔案（yyyymmdd.txt）"},
    {"CheckFolderEnd", u8"End the folder with \"%1\": the file name is put directly after it (%2%3yyyymmdd.txt)",
     u8"路径请以“%1”结尾：文件名直接接在路径之后（%2%3yyyymmdd.txt）", u8"路徑請以「%1」結尾：檔案名稱直接接在路徑之後（%2%3yyyymmdd.txt）"},
    {"CheckFolderMissing", u8"The folder %1 does not exist (now); uploads fail until it does",
     u8"文件夹 %1 目前不存在；在它存在之前上传都会失败", u8"資料夾 %1 目前不存在；在它存在之前上傳都會失敗"},
    {"CheckNotAFolder", u8"%1 is not a folder", u8"%1 不是文件夹", u8"%1 不是資料夾"},
    {"CheckServer", u8"Not usable: %1. Use a host (ftp.example.com), host:port, or an ftp://, ftps://, ftpes:// or sftp:// URL",
     u8"无法使用：%1。请填写主机（ftp.example.com）、主机:端口，或 ftp://、ftps://、ftpes://、sftp:// 形式的网址",
     u8"無法使用：%1。請填寫主機（ftp.example.com）、主機:連接埠，或 ftp://、ftps://、ftpes://、sftp:// 形式的網址"},
    {"ServerBlank", u8"the server setting holds a blank or a control character", u8"服务器设置中含有空格或控制字符",
     u8"伺服器設定中含有空格或控制字元"},
    {"ServerScheme", u8"unknown scheme \"%1\" (use ftp, ftps, ftpes or sftp)", u8"未知的协议“%1”（请使用 ftp、ftps、ftpes 或 sftp）",
     u8"不明的通訊協定「%1」（請使用 ftp、ftps、ftpes 或 sftp）"},
    {"ServerNotHost", u8"\"%1\" is not a host name, address or URL", u8"“%1”不是主机名、地址或网址", u8"「%1」不是主機名稱、位址或網址"},
    {"ServerLogin", u8"the server setting must not hold a login; use the user name and password settings",
     u8"服务器设置中不能含有登录信息；请填写在用户名和密码中", u8"伺服器設定中不能含有登入資訊；請填寫在使用者名稱和密碼中"},
    {"ServerFolder", u8"the server setting must not hold a folder; use the upload path setting",
     u8"服务器设置中不能含有文件夹；请填写在上传路径中", u8"伺服器設定中不能含有資料夾；請填寫在上傳路徑中"},
    {"ServerPort", u8"the port %1 is out of range: use 1 to 65535", u8"端口 %1 超出范围：请使用 1 至 65535",
     u8"連接埠 %1 超出範圍：請使用 1 至 65535"},
    {"HistoryTime", u8"Time", u8"时间", u8"時間"},
    {"HistoryFile", u8"File", u8"文件", u8"檔案"},
    {"HistoryTrigger", u8"Trigger", u8"上传方式", u8"上傳方式"},
    {"HistoryBytes", u8"Bytes", u8"大小", u8"大小"},
    {"HistoryResult", u8"Result", u8"结果", u8"結果"},
    {"HistoryReason", u8"Reason", u8"原因", u8"原因"},
    {"TriggerManual", u8"manual", u8"手动", u8"手動"},
    {"TriggerYesterday", u8"yesterday", u8"昨日", u8"昨日"},
    {"TriggerSlot", u8"slot", u8"定时", u8"定時"},
    {"TriggerRetry", u8"retry", u8"重试", u8"重試"},
    {"TriggerCatchUp", u8"catch-up", u8"补传", u8"補傳"},
    {"TriggerTime", u8"%1 FtpTime%2", u8"%1（上传时间%2）", u8"%1（上傳時間%2）"},
    {"OutcomeAsked", u8"asked", u8"已请求", u8"已要求"},
    {"OutcomeRunning", u8"running", u8"进行中", u8"進行中"},
    {"OutcomeSucceeded", u8"succeeded", u8"成功", u8"成功"},
    {"OutcomeFailed", u8"failed", u8"失败", u8"失敗"},
    {"SizeBytes", u8"%1 bytes", u8"%1 字节", u8"%1 位元組"},
    {"LogWaiting", u8"waiting: %1 after the upload under way", u8"等待：当前上传完成后上传 %1", u8"等待：目前的上傳完成後上傳 %1"},
    {"LogGivenUp", u8"%1 not sent: given up %2 hours after its time (%3)", u8"%1 未发送：超过预定时间 %2 小时，已放弃（%3）",
     u8"%1 未傳送：超過預定時間 %2 小時，已放棄（%3）"},
    {"LanguageName", u8"English", u8"简体中文", u8"繁體中文"},
    {"LanguageNotStored", u8"Language %1 not stored: %2", u8"语言选择“%1”未保存：%2", u8"語言選擇「%1」未儲存：%2"},
    // Why the program cannot start, told in a message box (%1 the program folder, %2 the
    // system's reason); what the tray icon's tooltip says is owed (%1 the files).
    {"StartFailedTitle", u8"KORVA5 Records Upload System cannot start", u8"KORVA5 记录上传系统无法启动",
     u8"KORVA5 記錄上傳系統無法啟動"},
    {"StartSettingsMissing",
     u8"The settings file TALLYPORT.ini is not in the program folder %1. Put it there and start the program again.",
     u8"程序文件夹 %1 中没有设置文件 TALLYPORT.ini。请将该文件放入此文件夹，然后重新启动程序。",
     u8"程式資料夾 %1 中沒有設定檔案 TALLYPORT.ini。請將該檔案放入此資料夾，然後重新啟動程式。"},
    {"StartLanguageMissing",
     u8"The language file Language.txt is not in the program folder %1. Put it there and start the program again.",
     u8"程序文件夹 %1 中没有语言文件 Language.txt。请将该文件放入此文件夹，然后重新启动程序。",
     u8"程式資料夾 %1 中沒有語言檔案 Language.txt。請將該檔案放入此資料夾，然後重新啟動程式。"},
    {"StartSettingsUnreadable",
     u8"The settings file TALLYPORT.ini in the program folder %1 cannot be read: %2. Allow this user to read it "
     u8"and start the program again.",
     u8"无法读取程序文件夹 %1 中的设置文件 TALLYPORT.ini：%2。请允许当前用户读取该文件，然后重新启动程序。",
     u8"無法讀取程式資料夾 %1 中的設定檔案 TALLYPORT.ini：%2。請允許目前的使用者讀取該檔案，然後重新啟動程式。"},
    {"StartLanguageUnreadable",
     u8"The language file Language.txt in the program folder %1 cannot be read: %2. Allow this user to read it "
     u8"and start the program again.",
     u8"无法读取程序文件夹 %1 中的语言文件 Language.txt：%2。请允许当前用户读取该文件，然后重新启动程序。",
     u8"無法讀取程式資料夾 %1 中的語言檔案 Language.txt：%2。請允許目前的使用者讀取該檔案，然後重新啟動程式。"},
    {"TrayOwed", u8"Owed: %1", u8"待上传：%1", u8"待上傳：%1"},
    // The settings dialog: the status path, the checks that name a mistake and what was meant,
    // and the test's steps.
    {"StatusPath", u8"Status Path:", u8"状态路径：", u8"狀態路徑："},
    {"ShowPassword", u8"&Show", u8"显示(&S)", u8"顯示(&S)"},
    {"ShowPasswordName", u8"Show the password", u8"显示密码", u8"顯示密碼"},
    {"ServerNoColon", u8"the \":\" after \"%1\" is missing", u8"“%1”后面缺少“:”", u8"「%1」後面缺少「:」"},
    {"ServerSlashes", u8"\"%1:\" must be followed by two slashes", u8"“%1:”后面应为两个斜线", u8"「%1:」後面應為兩個斜線"},
    {"CheckServerMeant", u8"Not usable: %1. Did you mean %2?", u8"无法使用：%1。是否应为 %2？", u8"無法使用：%1。是否應為 %2？"},
    {"CheckFullWidth", u8"Character %2, \"%1\", is full-width; Ok stores %3", u8"第 %2 个字符“%1”是全角字符；按确定后保存为 %3",
     u8"第 %2 個字元「%1」是全形字元；按確定後儲存為 %3"},
    {"CheckFullWidthMore", u8"Character %2, \"%1\", and %3 more are full-width; Ok stores %4",
     u8"第 %2 个字符“%1”及另外 %3 个字符是全角字符；按确定后保存为 %4", u8"第 %2 個字元「%1」及另外 %3 個字元是全形字元；按確定後儲存為 %4"},
    {"CheckTimeRead", u8"\"%1\" is read as %2; Ok stores it so", u8"“%1”按 %2 处理；按确定后保存为 %2", u8"「%1」視為 %2；按確定後儲存為 %2"},
    {"CheckStatusIsRecords", u8"The status path must not be the upload path (%1): only records files go there",
     u8"状态路径不能与上传路径（%1）相同：该文件夹只放记录文件", u8"狀態路徑不能與上傳路徑（%1）相同：該資料夾只放記錄檔案"},
    {"TestOf", u8"Test of %1 as %2, into %3:", u8"测试 %1（用户名 %2，上传到 %3）：", u8"測試 %1（使用者名稱 %2，上傳到 %3）："},
    {"TestOfAnonymous", u8"Test of %1, anonymous, into %2:", u8"测试 %1（匿名登录，上传到 %2）：", u8"測試 %1（匿名登入，上傳到 %2）："},
    {"TestNotTried", u8"%1: not tried", u8"%1：未测试", u8"%1：未測試"},
    {"StepRecordsFolder", u8"Records folder", u8"记录文件夹", u8"記錄資料夾"},
    {"StepTodaysFile", u8"Today's file", u8"今天的记录文件", u8"今天的記錄檔案"},
    {"StepServerName", u8"Server name", u8"服务器名称", u8"伺服器名稱"},
    {"StepConnection", u8"Connection", u8"连接", u8"連線"},
    {"StepLogin", u8"Login", u8"登录", u8"登入"},
    {"StepRemoteFolder", u8"Folder on the server", u8"服务器上的文件夹", u8"伺服器上的資料夾"},
    {"StepWrite", u8"Writing a test file", u8"写入测试文件", u8"寫入測試檔案"},
    {"StepRename", u8"Renaming the test file", u8"重命名测试文件", u8"重新命名測試檔案"},
    {"StepRemove", u8"Removing the test file", u8"删除测试文件", u8"刪除測試檔案"},
    {"StepStatusFolder", u8"Status folder", u8"状态文件夹", u8"狀態資料夾"},
    {"TestFolderNotSet", u8"No local path is set: records files are looked for in the program's working folder",
     u8"未设置本地路径：将在程序的工作文件夹中查找记录文件", u8"未設定本機路徑：將在程式的工作資料夾中尋找記錄檔案"},
    {"TestFolderMissing", u8"Records folder %1 does not exist", u8"记录文件夹 %1 不存在", u8"記錄資料夾 %1 不存在"},
    {"TestFolderUnreadable", u8"Records folder %1 cannot be read", u8"无法读取记录文件夹 %1", u8"無法讀取記錄資料夾 %1"},
    {"TestFolderReadable", u8"Records folder %1 can be read", u8"记录文件夹 %1 可以读取", u8"記錄資料夾 %1 可以讀取"},
    {"TestFileNotYet", u8"Today's file %1 is not there yet", u8"今天的记录文件 %1 尚未生成", u8"今天的記錄檔案 %1 尚未產生"},
    {"TestFileLate", u8"Today's file %1 is not there, though the upload at %2 has passed", u8"今天的记录文件 %1 不存在，但 %2 的上传时间已过",
     u8"今天的記錄檔案 %1 不存在，但 %2 的上傳時間已過"},
    {"TestFileNotAFile", u8"%1 is not a file", u8"%1 不是文件", u8"%1 不是檔案"},
    {"TestFileUnreadable", u8"Today's file %1 cannot be read", u8"无法读取今天的记录文件 %1", u8"無法讀取今天的記錄檔案 %1"},
    {"TestFileFound", u8"Today's file %1 can be read (%2)", u8"今天的记录文件 %1 可以读取（%2）", u8"今天的記錄檔案 %1 可以讀取（%2）"},
    {"TestNameUnknown", u8"Server name %1 is not known", u8"找不到服务器 %1：主机名未知", u8"找不到伺服器 %1：主機名稱不明"},
    {"TestNameTimedOut", u8"Server name %1: no answer from the name service within %2 s", u8"查找服务器 %1 时，%2 秒内没有得到响应",
     u8"查詢伺服器 %1 時，%2 秒內沒有得到回應"},
    {"TestCannotTry", u8"The test cannot connect: %1", u8"无法进行测试：%1", u8"無法進行測試：%1"},
    {"TestResolved", u8"Server %1 found at %2, port %3", u8"已找到服务器 %1：%2，端口 %3", u8"已找到伺服器 %1：%2，連接埠 %3"},
    {"TestResolvedPort", u8"Server %1, port %2", u8"服务器 %1，端口 %2", u8"伺服器 %1，連接埠 %2"},
    {"TestRefused", u8"Nothing answers at %1 port %2: connection refused", u8"%1 的端口 %2 没有响应：连接被拒绝",
     u8"%1 的連接埠 %2 沒有回應：連線被拒絕"},
    {"TestNoConnection", u8"No connection to %1 port %2 within %3 s", u8"%3 秒内无法连接到 %1 的端口 %2", u8"%3 秒內無法連線到 %1 的連接埠 %2"},
    {"TestClosed", u8"The server closed the connection without a word", u8"服务器未作应答就关闭了连接", u8"伺服器未作回應就關閉了連線"},
    {"TestNoGreeting", u8"Connected, but the server said nothing within %1 s", u8"已连接，但服务器 %1 秒内没有应答",
     u8"已連線，但伺服器 %1 秒內沒有回應"},
    {"TestAnswersSsh", u8"This port answers SSH, not FTP: use sftp://", u8"该端口使用的是 SSH，不是 FTP：请使用 sftp://",
     u8"該連接埠使用的是 SSH，不是 FTP：請使用 sftp://"},
    {"TestAnswersFtp", u8"This port answers FTP, not SSH: use ftp://, or the server's SSH port",
     u8"该端口使用的是 FTP，不是 SSH：请使用 ftp://，或服务器的 SSH 端口", u8"該連接埠使用的是 FTP，不是 SSH：請使用 ftp://，或伺服器的 SSH 連接埠"},
    {"TestTurnedAway", u8"The server turns the connection away: %1", u8"服务器拒绝了连接：%1", u8"伺服器拒絕了連線：%1"},
    {"TestNotServer", u8"Something answers at port %1, but not as an %2 server", u8"端口 %1 有响应，但不是 %2 服务器",
     u8"連接埠 %1 有回應，但不是 %2 伺服器"},
    {"TestNoTls", u8"This server does not speak TLS: use ftp://, or turn TLS on at the server",
     u8"该服务器不支持 TLS：请使用 ftp://，或在服务器上启用 TLS", u8"該伺服器不支援 TLS：請使用 ftp://，或在伺服器上啟用 TLS"},
    {"TestExplicitTlsOnly", u8"Port %1 starts in plain text and turns to TLS on request: use ftpes://",
     u8"端口 %1 以明文连接，之后可以启用 TLS：请使用 ftpes://", u8"連接埠 %1 以明文連線，之後可以啟用 TLS：請使用 ftpes://"},
    {"TestNoTlsReply", u8"The server did not answer the request for TLS within %1 s", u8"服务器 %1 秒内没有回应 TLS 请求",
     u8"伺服器 %1 秒內沒有回應 TLS 請求"},
    {"TestConnected", u8"Connected: the server answers at port %1", u8"已连接：服务器在端口 %1 上响应", u8"已連線：伺服器在連接埠 %1 上回應"},
    {"TestConnectedTls", u8"Connected with TLS at port %1", u8"已通过 TLS 连接到端口 %1", u8"已透過 TLS 連線至連接埠 %1"},
    {"TestLoggedIn", u8"Logged in as %1", u8"已用用户名 %1 登录", u8"已用使用者名稱 %1 登入"},
    {"TestLoggedInAnonymous", u8"Logged in anonymously", u8"已匿名登录", u8"已匿名登入"},
    {"TestLoginFolderUsed", u8"Files go to the login folder", u8"文件上传到登录后的默认文件夹", u8"檔案上傳到登入後的預設資料夾"},
    {"TestFolderFound", u8"Folder %1 found on the server", u8"服务器上有文件夹 %1", u8"伺服器上有資料夾 %1"},
    {"TestWritten", u8"Test file %1 written", u8"已写入测试文件 %1", u8"已寫入測試檔案 %1"},
    {"TestRenamed", u8"Renamed to %1", u8"已重命名为 %1", u8"已重新命名為 %1"},
    {"TestRenameSkipped", u8"No rename: this station sends straight to the final name", u8"不重命名：本站直接以最终文件名上传",
     u8"不重新命名：本站直接以最終檔案名稱上傳"},
    {"TestRemoved", u8"Test file %1 removed", u8"已删除测试文件 %1", u8"已刪除測試檔案 %1"},
    {"TestStatusWritten", u8"Test file %1 written and removed in status folder %2", u8"已在状态文件夹 %2 中写入并删除测试文件 %1",
     u8"已在狀態資料夾 %2 中寫入並刪除測試檔案 %1"},
    {"TestNoAnswer", u8"The server did not answer within %1 s", u8"服务器 %1 秒内没有响应", u8"伺服器 %1 秒內沒有回應"},
};

// The captions Language.txt has held since its first version. One missing from its section is a
// mistake in the file, worth a line on standard error; a text added since comes from the program
// until the station's file has it, as a matter of course.
constexpr const char *FileCaptions[] = {
    "Run", "Stop", "Parameter", "Exit", "Title", "Minimized", "ManualUpload", "YesterdayUpload", "UploadDate",
    "ManualUploadSet", "UploadFile", "LocalFile", "LocalPath", "UploadPath", "UploadIP", "Yesterday", "Count",
    "StationNo", "UploadTime", "AutoUploadInfo", "RunStatus", "StopStatus", "Ok", "Cancel", "UserName", "Password",
};

QString fromUtf8(const char8_t *text)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(text));
}

const Row *rowOf(const QString &key)
{
    for (const std::span<const Row> rows : {std::span<const Row>(Texts), BuiltInTexts::pageRows()}) {
        for (const Row &row : rows) {
            if (key == QLatin1StringView(row.key))
                return &row;
        }
    }
    return nullptr;
}

} // namespace

namespace BuiltInTexts {

std::optional<QString> text(const QString &language, const QString &key)
{
    const Row *row = rowOf(key);
    if (!row)
        return std::nullopt;
    if (language == QLatin1StringView(China))
        return fromUtf8(row->china);
    if (language == QLatin1StringView(Taiwan))
        return fromUtf8(row->taiwan);
    return fromUtf8(row->english);
}

QString english(const QString &key)
{
    return text(QLatin1StringView(English), key).value_or(QString());
}

bool isFileCaption(const QString &key)
{
    return std::any_of(std::begin(FileCaptions), std::end(FileCaptions),
                       [&key](const char *caption) { return key == QLatin1StringView(caption); });
}

QStringList keys()
{
    QStringList all;
    for (const Row &row : Texts)
        all << QLatin1StringView(row.key);
    for (const Row &row : pageRows())
        all << QLatin1StringView(row.key);
    return all;
}

QString placeholders(const QString &text)
{
    QString found;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'%' && text[i + 1].isDigit() && !found.contains(text[i + 1]))
            found += text[i + 1];
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace BuiltInTexts

} // namespace korva5
