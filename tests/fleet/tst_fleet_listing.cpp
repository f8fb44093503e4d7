// SPDX-License-Identifier: MIT
#include "fleet/check/LineSplitter.h"
#include "fleet/check/ListingLines.h"

#include <QTest>

using namespace korva5;
using namespace korva5::fleet;

using namespace ListingLines;

Q_DECLARE_METATYPE(ListingLines::Type)

namespace {

// The columns every parse test shares: what the line is, and the stamp's fields.
void addLineColumns()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Type>("type");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QList<int>>("stamp"); // year (0: not given), month, day, hour, minute, second
}

void compareLine(const Line &parsed)
{
    QFETCH(Type, type);
    QFETCH(QByteArray, name);
    QFETCH(qint64, size);
    QFETCH(QList<int>, stamp);
    QCOMPARE(parsed.type, type);
    if (type == Type::Unreadable)
        return;
    QCOMPARE(parsed.name.toByteArray(), name);
    QCOMPARE(parsed.size, size);
    if (stamp.isEmpty())
        return;
    const Stamp &got = parsed.modified;
    QCOMPARE((QList<int>{got.year, got.month, got.day, got.hour, got.minute, got.second}), stamp);
}

const QList<int> NoStamp;

} // namespace

class TestFleetListing : public QObject
{
    Q_OBJECT

private slots:
    void unixLines_data()
    {
        addLineColumns();
        QTest::newRow("vsftpd") << QByteArray("-rw-r--r--    1 ftp      ftp         48211 Dec 07 08:30 20261207.12")
                                << Type::File << QByteArray("20261207.12") << qint64(48211) << QList<int>{0, 12, 7, 8, 30, 0};
        QTest::newRow("older than half a year: its year") << QByteArray("-rw-r--r-- 1 owner group 1234 Jan  5  2025 20250105.3")
                                                          << Type::File << QByteArray("20250105.3") << qint64(1234)
                                                          << QList<int>{2025, 1, 5, 0, 0, 0};
        QTest::newRow("no group column") << QByteArray("-rw-r--r-- 1 owner 77 Mar 9 23:59 x") << Type::File << QByteArray("x")
                                         << qint64(77) << QList<int>{0, 3, 9, 23, 59, 0};
        QTest::newRow("a hidden temporary file") << QByteArray("-rw-------    1 0  0  8 Dec  7 08:31 .20261207.12.part")
                                                 << Type::File << QByteArray(".20261207.12.part") << qint64(8) << NoStamp;
        QTest::newRow("blanks inside a name stay") << QByteArray("-rw-r--r-- 1 ftp ftp 5 Dec 7 08:30 name with  blanks")
                                                   << Type::File << QByteArray("name with  blanks") << qint64(5) << NoStamp;
        // One blank stands before a name: a blank more is the name's own, and no records name.
        QTest::newRow("a blank in front of a name") << QByteArray("-rw-r--r-- 1 ftp ftp 5 Dec 7 08:30  20261207.22")
                                                    << Type::File << QByteArray(" 20261207.22") << qint64(5) << NoStamp;
        QTest::newRow("folder") << QByteArray("drwxr-xr-x    2 ftp      ftp          4096 Dec 07 08:30 status") << Type::Folder
                                << QByteArray("status") << qint64(4096) << NoStamp;
        QTest::newRow("link") << QByteArray("lrwxrwxrwx 1 a b 11 Dec 7 08:30 20261207.12 -> elsewhere") << Type::Other
                              << QByteArray("20261207.12 -> elsewhere") << qint64(11) << NoStamp;
        QTest::newRow("ls's total line") << QByteArray("total 48") << Type::Other << QByteArray() << qint64(-1) << NoStamp;
        QTest::newRow("prose") << QByteArray("this is not a listing line at all") << Type::Unreadable << QByteArray() << qint64(0)
                               << NoStamp;
        QTest::newRow("size not a number") << QByteArray("-rw-r--r-- 1 ftp ftp many Dec 7 08:30 x") << Type::Unreadable
                                           << QByteArray() << qint64(0) << NoStamp;
        QTest::newRow("no month") << QByteArray("-rw-r--r-- 1 ftp ftp 5 Foo 7 08:30 x") << Type::Unreadable << QByteArray()
                                  << qint64(0) << NoStamp;
        QTest::newRow("day 32") << QByteArray("-rw-r--r-- 1 ftp ftp 5 Dec 32 08:30 x") << Type::Unreadable << QByteArray()
                                << qint64(0) << NoStamp;
        QTest::newRow("no name") << QByteArray("-rw-r--r-- 1 ftp ftp 5 Dec 7 08:30") << Type::Unreadable << QByteArray()
                                 << qint64(0) << NoStamp;
        QTest::newRow("html") << QByteArray("<html><body>") << Type::Unreadable << QByteArray() << qint64(0) << NoStamp;
    }
    void unixLines()
    {
        QFETCH(QByteArray, line);
        compareLine(parseList(line));
    }

    void dosLines_data()
    {
        addLineColumns();
        QTest::newRow("IIS, two-digit year") << QByteArray("12-07-26  08:30AM                48211 20261207.12") << Type::File
                                             << QByteArray("20261207.12") << qint64(48211) << QList<int>{2026, 12, 7, 8, 30, 0};
        QTest::newRow("four-digit year, folder") << QByteArray("12-07-2026  12:05PM       <DIR>          status") << Type::Folder
                                                 << QByteArray("status") << qint64(-1) << QList<int>{2026, 12, 7, 12, 5, 0};
        QTest::newRow("12 AM is midnight") << QByteArray("12-07-26  12:15AM  10 x") << Type::File << QByteArray("x") << qint64(10)
                                           << QList<int>{2026, 12, 7, 0, 15, 0};
        QTest::newRow("last century, PM") << QByteArray("01-02-99 11:00PM 1 y") << Type::File << QByteArray("y") << qint64(1)
                                          << QList<int>{1999, 1, 2, 23, 0, 0};
        QTest::newRow("24-hour clock") << QByteArray("12-07-26  17:45  3 z") << Type::File << QByteArray("z") << qint64(3)
                                       << QList<int>{2026, 12, 7, 17, 45, 0};
        QTest::newRow("a blank in front of a name") << QByteArray("12-07-26  08:30AM    5  20261207.22") << Type::File
                                                    << QByteArray(" 20261207.22") << qint64(5) << NoStamp;
        QTest::newRow("13 o'clock AM") << QByteArray("12-07-26 13:00AM 1 z") << Type::Unreadable << QByteArray() << qint64(0)
                                       << NoStamp;
        QTest::newRow("size garbled") << QByteArray("12-07-26 08:00AM 1x z") << Type::Unreadable << QByteArray() << qint64(0)
                                      << NoStamp;
    }
    void dosLines()
    {
        QFETCH(QByteArray, line);
        compareLine(parseList(line));
    }

    void mlsdLines_data()
    {
        addLineColumns();
        QTest::newRow("file") << QByteArray("type=file;size=48211;modify=20261207083004;perm=r; 20261207.12") << Type::File
                              << QByteArray("20261207.12") << qint64(48211) << QList<int>{2026, 12, 7, 8, 30, 4};
        QTest::newRow("facts in capitals, fraction, blank in name")
            << QByteArray("Type=File;Size=1;Modify=20261207083004.123; a b") << Type::File << QByteArray("a b") << qint64(1)
            << QList<int>{2026, 12, 7, 8, 30, 4};
        QTest::newRow("folder") << QByteArray("type=dir;modify=20261207083004; status") << Type::Folder << QByteArray("status")
                                << qint64(-1) << NoStamp;
        QTest::newRow("this folder") << QByteArray("type=cdir; .") << Type::Folder << QByteArray(".") << qint64(-1) << NoStamp;
        QTest::newRow("a link") << QByteArray("type=OS.unix=slink:/x;size=1; l") << Type::Other << QByteArray("l") << qint64(1)
                                << NoStamp;
        QTest::newRow("no type") << QByteArray("size=1; n") << Type::Unreadable << QByteArray() << qint64(0) << NoStamp;
        QTest::newRow("size not a number") << QByteArray("type=file;size=x; n") << Type::Unreadable << QByteArray() << qint64(0)
                                           << NoStamp;
        QTest::newRow("time cut short") << QByteArray("type=file;modify=2026120708; n") << Type::Unreadable << QByteArray()
                                        << qint64(0) << NoStamp;
        QTest::newRow("a LIST line") << QByteArray("-rw-r--r-- 1 ftp ftp 5 Dec 7 08:30 x") << Type::Unreadable << QByteArray()
                                     << qint64(0) << NoStamp;
    }
    void mlsdLines()
    {
        QFETCH(QByteArray, line);
        compareLine(parseMlsd(line));
    }

    // Where a listing's lines end decides which names there are. Cut lines are written
    // "~<bytes kept>".
    void lineEnds_data()
    {
        QTest::addColumn<QByteArrayList>("pieces"); // as the server's bytes come
        QTest::addColumn<bool>("sftp");
        QTest::addColumn<QByteArrayList>("lines");
        const QByteArray tooLong(10000, 'x');
        QTest::newRow("CR LF: a lone LF stays in its name") << QByteArrayList{"a\r\nb\n-rw-r--r-- 1 a b 9 Dec 7 08:31 c\r\nd\r\n"}
                                                           << false << QByteArrayList{"a", "b\n-rw-r--r-- 1 a b 9 Dec 7 08:31 c", "d"};
        QTest::newRow("CR LF: a CR at a name's end stays") << QByteArrayList{"x\r\r\ny\r\n"} << false
                                                          << QByteArrayList{"x\r", "y"};
        QTest::newRow("CR LF across pieces") << QByteArrayList{"a\r", "\nb\r", "", "\nc"} << false
                                             << QByteArrayList{"a", "b", "c"};
        QTest::newRow("a CR a piece ends with, not followed by LF") << QByteArrayList{"a\r\n", "b\r", "c\r\n"} << false
                                                                    << QByteArrayList{"a", "b\rc"};
        QTest::newRow("LF alone: cut at every LF") << QByteArrayList{"a\nb\r\nc"} << false << QByteArrayList{"a", "b\r", "c"};
        QTest::newRow("sftp: LF, whatever stands before it") << QByteArrayList{"x\r\ny\n"} << true
                                                            << QByteArrayList{"x\r", "y"};
        QTest::newRow("a line too long is cut off, once") << QByteArrayList{"short\r\n" + tooLong, tooLong + "\r\nnext\r\n"}
                                                          << false << QByteArrayList{"short", "~4096", "next"};
        QTest::newRow("no line end at all") << QByteArrayList{tooLong, tooLong, tooLong} << false << QByteArrayList{"~4096"};
        QTest::newRow("empty lines are none") << QByteArrayList{"\r\n\r\na\r\n"} << false << QByteArrayList{"a"};
    }
    void lineEnds()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(bool, sftp);
        QByteArrayList lines;
        LineSplitter splitter(sftp ? LineSplitter::Framing::Lf : LineSplitter::Framing::Detect, [&](QByteArrayView line, bool whole) {
            QVERIFY(line.size() <= LineSplitter::LongestLine);
            lines << (whole ? line.toByteArray() : "~" + QByteArray::number(line.size()));
        });
        for (const QByteArray &piece : pieces)
            splitter.feed(piece);
        splitter.finish();
        QTEST(lines, "lines");
    }

    // A time listed without its year is the latest such date not more than a day ahead of now.
    void timeOfAStamp_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("time");
        const QTimeZone utc = QTimeZone::utc();
        QTest::newRow("this year") << QByteArray("-rw-r--r-- 1 a b 1 Dec 7 08:30 x") << u"UTC"_qs
                                   << QDateTime({2026, 12, 7}, {10, 0}, utc) << QDateTime({2026, 12, 7}, {8, 30}, utc);
        QTest::newRow("last year, seen on New Year's Day") << QByteArray("-rw-r--r-- 1 a b 1 Dec 31 23:00 x") << u"UTC"_qs
                                                           << QDateTime({2027, 1, 1}, {0, 30}, utc)
                                                           << QDateTime({2026, 12, 31}, {23, 0}, utc);
        QTest::newRow("a server clock a little ahead") << QByteArray("-rw-r--r-- 1 a b 1 Jan 1 00:10 x") << u"UTC"_qs
                                                       << QDateTime({2026, 12, 31}, {23, 59}, utc)
                                                       << QDateTime({2027, 1, 1}, {0, 10}, utc);
        QTest::newRow("a server listing in its own zone") << QByteArray("-rw-r--r-- 1 a b 1 Dec 7 10:30 x") << u"Europe/Helsinki"_qs
                                                          << QDateTime({2026, 12, 7}, {12, 0}, utc)
                                                          << QDateTime({2026, 12, 7}, {8, 30}, utc);
        QTest::newRow("MLSD is UTC whatever the zone") << QByteArray("type=file;modify=20261207083004; x") << u"Europe/Helsinki"_qs
                                                       << QDateTime({2026, 12, 7}, {12, 0}, utc)
                                                       << QDateTime({2026, 12, 7}, {8, 30, 4}, utc);
        QTest::newRow("an impossible date") << QByteArray("13-45-26 08:30AM 1 z") << u"UTC"_qs
                                            << QDateTime({2026, 12, 7}, {12, 0}, utc) << QDateTime();
    }
    void timeOfAStamp()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, zone);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, time);
        const Line parsed = line.startsWith("type=") ? parseMlsd(line) : parseList(line);
        QVERIFY(parsed.type != Type::Unreadable);
        const QTimeZone serverZone = zone == u"UTC" ? QTimeZone::utc() : QTimeZone(zone.toLatin1());
        const QDateTime got = timeOf(parsed.modified, serverZone, now);
        QCOMPARE(got.isValid(), time.isValid());
        if (time.isValid())
            QCOMPARE(got.toUTC(), time.toUTC());
    }
};

QTEST_GUILESS_MAIN(TestFleetListing)
#include "tst_fleet_listing.moc"
