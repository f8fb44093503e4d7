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
    {"StatusTomorrow", u8"%1 tomorrow", u8"明天 %1", u8"明天 %1"},
    {"StatusOwed", u8"Owed:", u8"待补发：", u8"待補傳："},
    {"StatusNextTry", u8"(next try %1)", u8"（下次尝试 %1）", u8"（下次嘗試 %1）"},
    {"StatusNoMoreTries", u8"(no more tries)", u8"（不再重试）", u8"（不再重試）"},
    {"StatusFailedByHand", u8"Manual upload of %1 failed: %2", u8"手动上传 %1 失败：%2", u8"手動上傳 %1 失敗：%2"},
    {"StatusNotConfigured", u8"Not configured: open Parameter", u8"尚未设置：请打开参数设置", u8"尚未設定：請開啟參數設定"},
    {"History", u8"&History", u8"历史记录(&H)", u8"歷史記錄(&H)"},
    {"HistoryFailures", u8"&Failures only", u8"只看失败(&F)", u8"只看失敗(&F)"},
    {"TimeLeft", u8"%1 left", u8"剩余 %1", u8"剩餘 %1"},
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
