// SPDX-License-Identifier: MIT
// The one rule for an upload time, and that every reader of the times keeps to it: a time the
// settings dialog accepts fires, is due, is shown as next; one it refuses does none of these.
#include "core/delivery/Ledger.h"
#include "core/delivery/StatusLine.h"
#include "core/language/BuiltInTexts.h"
#include "core/schedule/ScheduleCheck.h"
#include "core/settings/SettingsCheck.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/TimeOfDay.h"

#include <QTest>

using namespace korva5;

class TestTimeOfDay : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void formatIsWhatParseReads();
    void normalised_data();
    void normalised();
    void slotsSendingYesterday();
};

void TestTimeOfDay::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("time"); // null: not a time
    QTest::newRow("midnight") << "00:00" << QTime(0, 0);
    QTest::newRow("last minute") << "23:59" << QTime(23, 59);
    QTest::newRow("blanks around") << " 08:30 " << QTime(8, 30);
    QTest::newRow("tabs around") << "\t08:30\t" << QTime(8, 30);
    QTest::newRow("empty") << "" << QTime();
    QTest::newRow("blanks only") << " \t " << QTime();
    QTest::newRow("one-digit hour") << "9:05" << QTime();
    QTest::newRow("one-digit minute") << "09:5" << QTime();
    QTest::newRow("both short") << "9:5" << QTime();
    QTest::newRow("hour 24") << "24:00" << QTime();
    QTest::newRow("hour 25, minute 99") << "25:99" << QTime();
    QTest::newRow("minute 60") << "12:60" << QTime();
    QTest::newRow("letters") << "ab:cd" << QTime();
    QTest::newRow("other separator") << "08.30" << QTime();
    QTest::newRow("no colon") << "0830" << QTime();
    QTest::newRow("sign") << "+8:30" << QTime();
    QTest::newRow("seconds") << "08:30:00" << QTime();
    QTest::newRow("line end after") << "08:30\n" << QTime();
    QTest::newRow("inner blank") << "08: 30" << QTime();
    QTest::newRow("full-width digits") << QString::fromUtf8("０８:３０") << QTime();
    QTest::newRow("Arabic-Indic digits") << QString::fromUtf8("٠٨:٣٠") << QTime();
}

void TestTimeOfDay::parse()
{
    QFETCH(QString, text);
    QFETCH(QTime, time);
    const std::optional<QTime> parsed = TimeOfDay::parse(text);
    QCOMPARE(parsed.value_or(QTime()), time);

    // The dialog refuses exactly what it cannot store as a time, and says what it wants; what it
    // stores instead of a one-digit hour or full-width digits is a time that fires.
    const QString problem = SettingsCheck::timeProblem(text, BuiltInTexts::english);
    const bool empty = ProfileFile::trimmedBlanks(text).isEmpty();
    const std::optional<QString> stored = TimeOfDay::normalised(text);
    QVERIFY2(problem.isEmpty() == (empty || stored.has_value()), qPrintable(problem));
    if (time.isValid())
        QCOMPARE(stored, std::optional<QString>(TimeOfDay::format(time)));
    if (stored)
        QVERIFY(TimeOfDay::parse(*stored));
    if (!problem.isEmpty())
        QVERIFY2(problem.contains(u"HH:MM"), qPrintable(problem));

    // The schedule, the retries and the status line read it alike.
    std::array<QString, Settings::TimeSlots> times;
    times[3] = text;
    const QDate day(2021, 3, 5);
    const QDateTime now(day, QTime(0, 0));
    QCOMPARE(ScheduleCheck::slotFor(time.isValid() ? time : QTime(8, 30), times), time.isValid() ? std::optional<int>(3) : std::nullopt);
    QCOMPARE(Ledger::dueMinute(day, 3, text), time.isValid() ? QDateTime(day, time) : QDateTime());
    QCOMPARE(StatusLine::nextScheduled(now, times).isValid(), time.isValid());
}

void TestTimeOfDay::formatIsWhatParseReads()
{
    for (const QTime time : {QTime(0, 0), QTime(8, 5), QTime(23, 59)})
        QCOMPARE(TimeOfDay::parse(TimeOfDay::format(time)), std::optional<QTime>(time));
    QCOMPARE(TimeOfDay::format(QTime(8, 5, 59)), QStringLiteral("08:05"));
}

void TestTimeOfDay::normalised_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // empty: no time
    QTest::newRow("one-digit hour") << "8:30" << "08:30";
    QTest::newRow("one-digit hour, blanks around") << " 9:05\t" << "09:05";
    QTest::newRow("already stored form") << "23:59" << "23:59";
    QTest::newRow("full-width digits and colon") << QString::fromUtf8("０８：３０") << "08:30";
    QTest::newRow("full-width, one-digit hour") << QString::fromUtf8("８：３０") << "08:30";
    QTest::newRow("ideographic space before") << QString::fromUtf8("　08:30") << "08:30";
    // A one-digit minute could be either of two times.
    QTest::newRow("one-digit minute") << "8:5" << "";
    QTest::newRow("hour 24") << "24:00" << "";
    QTest::newRow("one-digit hour out of range") << "9:60" << "";
    QTest::newRow("Arabic-Indic digits") << QString::fromUtf8("٠٨:٣٠") << "";
    QTest::newRow("empty") << "" << "";
}

void TestTimeOfDay::normalised()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QCOMPARE(TimeOfDay::normalised(typed).value_or(QString()), stored);
    // The schedule itself stays as strict as ever: only what the dialog stores fires.
    if (typed != stored)
        QVERIFY(!TimeOfDay::parse(typed) || ProfileFile::trimmedBlanks(typed) == stored);
}

void TestTimeOfDay::slotsSendingYesterday()
{
    // Times 9 and 10 fire the day after the file's day; the schedule finds the file's day back.
    const QDate day(2021, 3, 5);
    for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
        const QDateTime due = Ledger::dueMinute(day, slot, QStringLiteral("00:30"));
        QCOMPARE(due.date(), slot >= 8 ? day.addDays(1) : day);
        const ScheduleCheck::Match match{slot, due, false, due.date()};
        QCOMPARE(match.day(), day);
    }
}

QTEST_APPLESS_MAIN(TestTimeOfDay)
#include "tst_timeofday.moc"
