// SPDX-License-Identifier: MIT
#include "core/language/TextRow.h"

namespace korva5 {

namespace BuiltInTexts {

namespace {

// The office's page of the fleet (korva5-fleet --html). Its English texts are also the words of
// the check's plain lines, JSON and metrics, which monitors and scripts read: they do not change.
// A text that puts two parts together ("%1; ...") is how each language joins them.
constexpr Row Texts[] = {
    // The page's frame and legend.
    {"PageTitle", u8"KORVA5 fleet, %1", u8"KORVA5 各站上传情况 %1", u8"KORVA5 各站上傳情況 %1"},
    {"PageTitleState", u8"%1: %2", u8"%1：%2", u8"%1：%2"},
    {"PageChecked", u8"Checked %1. The page reloads itself every 5 minutes.", u8"检查于 %1。本页每 5 分钟自动刷新。",
     u8"檢查於 %1。本頁每 5 分鐘自動重新整理。"},
    {"PageStation", u8"Station", u8"站号", u8"站號"},
    {"PageHeartbeat", u8"Heartbeat", u8"站点报告", u8"站點報告"},
    {"PageProblem", u8"What is wrong", u8"问题", u8"問題"},
    {"PageNothingWrong", u8"nothing wrong", u8"正常", u8"正常"},
    {"PageNeverHeard", u8"never heard from: no file in these days and no heartbeat", u8"从未收到：这几天没有文件，也没有站点报告",
     u8"從未收到：這幾天沒有檔案，也沒有站點報告"},
    {"PageStationSays", u8"the station says: %1", u8"站点报告：%1", u8"站點報告：%1"},
    {"PageMore", u8"and %1 more", u8"另有 %1 项未列出", u8"另有 %1 項未列出"},
    {"PageTimesOf", u8"times of %1", u8"%1 时间", u8"%1 時間"},
    {"PageLegendArrived", u8"arrived", u8"已到达", u8"已到達"},
    {"PageLegendWarning", u8"came late, empty, or a broken transfer left a temporary file",
     u8"迟到、空文件，或中断的传输留下了临时文件", u8"遲到、空檔案，或中斷的傳輸留下了暫存檔案"},
    {"PageLegendMissing", u8"missing after its time", u8"过了时间仍未到达", u8"過了時間仍未到達"},
    {"PageLegendNotDue", u8"not yet due", u8"尚未到时间", u8"尚未到時間"},
    {"PageLegendNoData", u8"no data: before the station's first file or heartbeat", u8"无数据：在该站第一个文件或报告之前",
     u8"無資料：在該站第一個檔案或報告之前"},
    {"PageLegendClick", u8"Click the words of a row to read them whole.", u8"点击某行的文字可查看全文。",
     u8"點擊某行的文字可查看全文。"},
    {"PageStateOk", u8"OK", u8"正常", u8"正常"},
    {"PageStateWarning", u8"WARNING", u8"警告", u8"警告"},
    {"PageStateCritical", u8"CRITICAL", u8"严重", u8"嚴重"},
    {"PageStateUnknown", u8"UNKNOWN", u8"未知", u8"未知"},
    {"PageUnknown", u8"the check could not be made: %1", u8"无法完成检查：%1", u8"無法完成檢查：%1"},
    {"PageNoteUnsafe", u8"%1 name(s) hold control characters and were never taken for a file (%2).",
     u8"%1 个名称含有控制字符，未被当作文件（%2）。", u8"%1 個名稱含有控制字元，未被當作檔案（%2）。"},
    {"PageNoteNotRecords", u8"%1 name(s) in the records folder are not records files (%2).",
     u8"记录文件夹中有 %1 个名称不是记录文件（%2）。", u8"記錄資料夾中有 %1 個名稱不是記錄檔案（%2）。"},
    {"PageNoteUnlisted", u8"Files of stations not in the list: %1.", u8"不在站点列表中的站点有文件：%1。",
     u8"不在站點列表中的站點有檔案：%1。"},
    {"PageNoteNotRead", u8"Heartbeats not read: %1.", u8"未能读取站点报告：%1。", u8"未能讀取站點報告：%1。"},
    {"PageNoteListed", u8"Listed with %1: %2 bytes over %3 connection(s) in %4 s.", u8"以 %1 列出：%2 字节，%3 个连接，用时 %4 秒。",
     u8"以 %1 列出：%2 位元組，%3 個連線，用時 %4 秒。"},
    // Lists, sizes and ages.
    {"PageListJoin", u8"%1, %2", u8"%1、%2", u8"%1、%2"},
    {"PageNamesMore", u8"%1 and %2 more", u8"%1，另有 %2 个", u8"%1，另有 %2 個"},
    {"PageBytes", u8"%1 bytes", u8"%1 字节", u8"%1 位元組"},
    {"PageSizeNotListed", u8"size not listed", u8"大小未列出", u8"大小未列出"},
    {"PageCopy", u8"%1 (%2)", u8"%1（%2）", u8"%1（%2）"},
    {"PageCopyAt", u8"%1 (%2, %3)", u8"%1（%2，%3）", u8"%1（%2，%3）"},
    {"PageAgeSeconds", u8"%1 s", u8"%1 秒", u8"%1 秒"},
    {"PageAgeMinutes", u8"%1 min", u8"%1 分钟", u8"%1 分鐘"},
    {"PageAgeHours", u8"%1 h", u8"%1 小时", u8"%1 小時"},
    {"PageAgeHoursMinutes", u8"%1 h %2 min", u8"%1 小时 %2 分钟", u8"%1 小時 %2 分鐘"},
    {"PageAgeDays", u8"%1 days", u8"%1 天", u8"%1 天"},
    // A station's file of one day.
    {"PageDayArrived", u8"arrived, %1", u8"已到达，%1", u8"已到達，%1"},
    {"PageDayArrivedAt", u8"arrived %1, %2", u8"已到达 %1，%2", u8"已到達 %1，%2"},
    {"PageDayLate", u8"late: %1, after %2 (last time %3 + %4 min), %5", u8"迟到：%1 到达，晚于 %2（最后上传时间 %3 + %4 分钟），%5",
     u8"遲到：%1 到達，晚於 %2（最後上傳時間 %3 + %4 分鐘），%5"},
    {"PageDayEmpty", u8"empty (0 bytes)", u8"空文件（0 字节）", u8"空檔案（0 位元組）"},
    {"PageDayEmptyAt", u8"empty (0 bytes), %1", u8"空文件（0 字节），%1", u8"空檔案（0 位元組），%1"},
    {"PageDayNewCopy", u8"%1; a new copy is on its way", u8"%1；新的一份正在上传", u8"%1；新的一份正在上傳"},
    {"PageDayLeftBehind", u8"%1; left behind: %2", u8"%1；中断的上传留下了临时文件：%2", u8"%1；中斷的上傳留下了暫存檔案：%2"},
    {"PageDayAside", u8"%1; an earlier copy set aside: %2", u8"%1；先前的一份已另存：%2", u8"%1；先前的一份已另存：%2"},
    {"PageDayNotDue", u8"not yet due (due by %1)", u8"尚未到时间（应于 %1 前到达）", u8"尚未到時間（應於 %1 前到達）"},
    {"PageDayOnItsWay", u8"%1; on its way: %2", u8"%1；正在上传：%2", u8"%1；正在上傳：%2"},
    {"PageDayMissing", u8"missing (due by %1)", u8"未到达（应于 %1 前到达）", u8"未到達（應於 %1 前到達）"},
    {"PageDayMissingOnItsWay", u8"missing, on its way: %1 (due by %2)", u8"未到达，正在上传：%1（应于 %2 前到达）",
     u8"未到達，正在上傳：%1（應於 %2 前到達）"},
    {"PageDayMissingTemporary", u8"missing: only a temporary file that is no longer written, %1 (due by %2)",
     u8"未到达：只有一个已不再写入的临时文件，%1（应于 %2 前到达）", u8"未到達：只有一個已不再寫入的暫存檔案，%1（應於 %2 前到達）"},
    {"PageDayMissingAside", u8"missing: only a copy set aside, %1 (due by %2)", u8"未到达：只有一份另存的副本，%1（应于 %2 前到达）",
     u8"未到達：只有一份另存的副本，%1（應於 %2 前到達）"},
    // A station's heartbeat.
    {"PageHeartbeatNone", u8"no heartbeat", u8"没有站点报告", u8"沒有站點報告"},
    {"PageHeartbeatNotFetched", u8"heartbeat could not be fetched: %1", u8"无法取得站点报告：%1", u8"無法取得站點報告：%1"},
    {"PageHeartbeatUnreadable", u8"heartbeat unreadable: %1", u8"站点报告无法读取：%1", u8"站點報告無法讀取：%1"},
    {"PageHeartbeatOtherStation", u8"heartbeat unreadable: it names station \"%1\"", u8"站点报告无法读取：其中写的站号是“%1”",
     u8"站點報告無法讀取：其中寫的站號是「%1」"},
    {"PageHeartbeatNoZone", u8"time without zone: written %1 by a clock whose zone is not known (%2 in %3 names it)",
     u8"时间没有时区：写于 %1，该站时钟的时区未知（可在 %3 的 %2 中设置）", u8"時間沒有時區：寫於 %1，該站時鐘的時區不明（可在 %3 的 %2 中設定）"},
    {"PageHeartbeatAhead", u8"clock ahead: written %1 ahead of this computer's clock", u8"时钟超前：写入时间比本机时钟快 %1",
     u8"時鐘超前：寫入時間比本機時鐘快 %1"},
    {"PageHeartbeatStale", u8"stale: written %1 ago", u8"已过时：%1前写入", u8"已過時：%1前寫入"},
    {"PageHeartbeatAge", u8"%1 ago", u8"%1前", u8"%1前"},
    {"PageHeartbeatVersion", u8"version %1", u8"版本 %1", u8"版本 %1"},
    {"PageHeartbeatThen", u8"%1, %2", u8"%1，%2", u8"%1，%2"},
    {"PageHeartbeatSays", u8"the station says %1", u8"站点自报状态 %1", u8"站點自報狀態 %1"},
    {"PageHeartbeatOwes", u8"%1, owes %2", u8"%1，待补发：%2", u8"%1，待補傳：%2"},
    {"PageHeartbeatSummary", u8"%1: %2", u8"%1：%2", u8"%1：%2"},
    {"PageOwingReason", u8"%1 (%2)", u8"%1（%2）", u8"%1（%2）"},
    // What is wrong with a heartbeat's file.
    {"PageReadingTooLarge", u8"larger than %1 KiB", u8"超过 %1 KiB", u8"超過 %1 KiB"},
    {"PageReadingEmpty", u8"empty", u8"文件是空的", u8"檔案是空的"},
    {"PageReadingNotJson", u8"not JSON (%1 at byte %2)", u8"不是 JSON（%1，出现在第 %2 个字节）", u8"不是 JSON（%1，出現在第 %2 個位元組）"},
    {"PageReadingNotObject", u8"not a JSON object", u8"不是 JSON 对象", u8"不是 JSON 物件"},
    {"PageReadingNoFormat", u8"no format number", u8"没有格式编号", u8"沒有格式編號"},
    {"PageReadingNoTime", u8"no time it was written (%1)", u8"没有写入时间（%1）", u8"沒有寫入時間（%1）"},
    {"PageReadingNoKey", u8"no \"%1\"", u8"缺少“%1”", u8"缺少「%1」"},
    {"PageReadingBadState", u8"a state that is none of %1 (\"%2\")", u8"状态不是 %1 之一（“%2”）", u8"狀態不是 %1 之一（「%2」）"},
    {"PageReadingNoCount", u8"no count \"%1\"", u8"缺少计数“%1”", u8"缺少計數「%1」"},
    {"PageReadingNotList", u8"\"%1\" is not a list", u8"“%1”不是列表", u8"「%1」不是列表"},
    {"PageReadingEntryNotObject", u8"an entry of \"%1\" is not an object", u8"“%1”中有一项不是对象", u8"「%1」中有一項不是物件"},
    {"PageReadingNewer", u8"heartbeat from a newer version (format %1; this program reads format %2)",
     u8"站点报告来自较新的版本（格式 %1；本程序读取格式 %2）", u8"站點報告來自較新的版本（格式 %1；本程式讀取格式 %2）"},
    // The summary under the title, which is also the monitor's first line.
    {"PageSummaryArrived", u8"%1: %2 of %3 arrived", u8"%1：应到 %3 个，已到 %2 个", u8"%1：應到 %3 個，已到 %2 個"},
    {"PageSummaryHow", u8"%1 (%2)", u8"%1（%2）", u8"%1（%2）"},
    {"PageSummaryOnTime", u8"%1 on time", u8"准时 %1 个", u8"準時 %1 個"},
    {"PageSummaryLate", u8"%1 late", u8"迟到 %1 个", u8"遲到 %1 個"},
    {"PageSummaryEmpty", u8"%1 empty", u8"空文件 %1 个", u8"空檔案 %1 個"},
    {"PageSummaryNotDue", u8"%1, %2 not yet due", u8"%1，%2 个尚未到时间", u8"%1，%2 個尚未到時間"},
    {"PageSummaryPart", u8"%1 - %2", u8"%1；%2", u8"%1；%2"},
    {"PageSummaryMissing", u8"missing: %1", u8"未到达：%1", u8"未到達：%1"},
    {"PageSummaryEmptyFiles", u8"empty: %1", u8"空文件：%1", u8"空檔案：%1"},
    {"PageSummaryLateFiles", u8"late: %1", u8"迟到：%1", u8"遲到：%1"},
    {"PageSummaryLeftBehind", u8"temporary file left behind: %1", u8"留下了临时文件：%1", u8"留下了暫存檔案：%1"},
    {"PageSummaryStale", u8"heartbeat stale: %1", u8"站点报告已过时：%1", u8"站點報告已過時：%1"},
    {"PageSummaryAhead", u8"heartbeat clock ahead: %1", u8"站点报告时钟超前：%1", u8"站點報告時鐘超前：%1"},
    {"PageSummaryNoZone", u8"heartbeat time without zone: %1", u8"站点报告时间没有时区：%1", u8"站點報告時間沒有時區：%1"},
    {"PageSummaryOwing", u8"station reports uploads owed: %1", u8"站点报告有待补发的上传：%1", u8"站點報告有待補傳的上傳：%1"},
    {"PageSummaryNotRead", u8"heartbeats not read: %1", u8"未能读取站点报告：%1", u8"未能讀取站點報告：%1"},
};

} // namespace

std::span<const Row> pageRows()
{
    return Texts;
}

} // namespace BuiltInTexts

} // namespace korva5
