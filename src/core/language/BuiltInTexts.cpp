// SPDX-License-Identifier: MIT
#include "core/language/BuiltInTexts.h"

namespace {

struct Row
{
    const char *key;
    const char8_t *english;
    const char8_t *china;
    const char8_t *taiwan;
};

// Every text the program shows, in its three languages. Language.txt overrides them key by key;
// a station's own file that lacks a key (one from before it existed) shows these.
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
    {"History", u8"&History", u8"历史记录(&H)", u8"歷史記錄(&H)"},
    {"HistoryFailures", u8"&Failures only", u8"只看失败(&F)", u8"只看失敗(&F)"},
    {"TimeLeft", u8"%1 left", u8"剩余 %1", u8"剩餘 %1"},
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
};

QString fromUtf8(const char8_t *text)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(text));
}

} // namespace

namespace BuiltInTexts {

std::optional<QString> text(const QString &language, const QString &key)
{
    for (const Row &row : Texts) {
        if (key != QLatin1StringView(row.key))
            continue;
        if (language == QLatin1StringView(China))
            return fromUtf8(row.china);
        if (language == QLatin1StringView(Taiwan))
            return fromUtf8(row.taiwan);
        return fromUtf8(row.english);
    }
    return std::nullopt;
}

QStringList keys()
{
    QStringList all;
    for (const Row &row : Texts)
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
