// SPDX-License-Identifier: MIT
#include "core/app/Station.h"

#include "core/clock/Clock.h"
#include "core/delivery/StatusLine.h"
#include "core/language/LanguageText.h"
#include "core/settings/ProfileFile.h"
#include "core/transfer/CurlLibrary.h"
#include "core/transfer/FailureReason.h"

#include <QLoggingCategory>

namespace korva5 {

namespace {

Q_LOGGING_CATEGORY(lcStation, "korva5.shell", QtInfoMsg)

} // namespace

Station::Station(const ProgramPaths &paths, const Clock &clock, SecondTicker *ticks, QObject *parent)
    : QObject(parent)
    , m_paths(paths)
    , m_clock(clock)
    , m_uploader(m_state, m_log, m_ftp, clock, [this](const QString &key) { return text(key); })
    , m_delivery(m_state, m_uploader, m_journal, clock)
    , m_deliveryLog(m_log, [this](const QString &key) { return text(key); })
    , m_ticks(ticks ? ticks : &m_ownTicks)
    , m_heartbeat(m_state, m_journal, clock)
{
    // The station's own parts, by the names the program's controls have always had.
    m_ftp.setObjectName(QStringLiteral("inetFtp"));
    m_ftp.setParent(this);
    m_secondTimer.setObjectName(QStringLiteral("tmrSec"));
    m_secondTimer.setParent(this);
    m_secondTimer.setInterval(1000);
    connect(&m_secondTimer, &QTimer::timeout, &m_ownTicks, &SecondTicker::tick);
    if (!ticks)
        m_secondTimer.start();
    connect(&m_state, &AppState::settingsChanged, this, &Station::configureTransfers);
    connect(&m_state, &AppState::settingsChanged, this, &Station::statusChanged);
    connect(&m_ftp, &TransferQueue::stateChanged, &m_uploader, &Uploader::logState);
    connect(&m_journal, &Journal::notice, &m_log, &TransferLog::insertTop);
    connect(&m_uploader, &Uploader::fileNamesChosen, this, &Station::fileNamesChosen);
    connect(&m_log, &TransferLog::inserted, this, &Station::logLineInserted);
    connect(&m_log, &TransferLog::cleared, this, &Station::logCleared);
    connect(&m_ftp, &TransferQueue::transferStarted, this, &Station::transferStarted);
    connect(&m_ftp, &TransferQueue::progress, this, &Station::transferProgress);
    connect(&m_ftp, &TransferQueue::transferEnded, this, &Station::transferEnded);
    connect(&m_heartbeat, &HeartbeatWriter::written, this, &Station::statusWritten);
    m_heartbeat.setParent(this); // its transfer queue is found as "statusFtp"

    // The window hears of a minute before the schedule looks at it, so that a time that fires
    // in it sets the window's minute count back to 0 after it was counted.
    connect(m_ticks, &SecondTicker::minutePassed, this, [this] {
        emit minutePassed();
        m_delivery.checkMinute();
        emit statusChanged();
    });
    connect(m_ticks, &SecondTicker::secondPassed, this, &Station::secondPassed);
    connect(m_ticks, &SecondTicker::secondPassed, &m_delivery, &Delivery::checkRetries);
    connect(&m_delivery, &Delivery::timeFired, this, &Station::timeFired);

    connect(&m_delivery, &Delivery::progressed, this, &Station::statusChanged);
    connect(&m_delivery, &Delivery::owedChanged, this, &Station::statusChanged);
    connect(&m_delivery, &Delivery::owedChanged, this, &Station::alarmChanged);
    connect(&m_delivery, &Delivery::deliveryFailed, this, [this](const Ledger::Owed &owed) {
        notify(QStringLiteral("AlarmFailed"), owed.remotePath, owed.reason, owed.nextAttempt);
    });
    connect(&m_delivery, &Delivery::gaveUp, this, [this](const Ledger::Owed &owed) {
        notify(QStringLiteral("AlarmGivenUp"), owed.remotePath, owed.reason);
    });
    connect(&m_delivery, &Delivery::recorded, &m_heartbeat, &HeartbeatWriter::send);
    connect(&m_delivery, &Delivery::deliveredAfterAll, this,
            [this](const QString &remotePath) { notify(QStringLiteral("AlarmDelivered"), remotePath); });
    // After the notifications: a file given up is told on the desktop before the log says it.
    m_deliveryLog.follow(m_delivery);
}

void Station::loadSettings()
{
    m_store.setFile(m_paths.iniFile);
    m_state.setLanguage(m_store.language());
    reloadSettings();
}

void Station::reloadSettings()
{
    m_state.setSettings(m_store.load());
}

// The transfer queue connects with what the settings say at the next upload.
void Station::configureTransfers()
{
    const Settings &settings = m_state.settings();
    m_ftp.setServerAddress(ProfileFile::trimmedBlanks(settings.FtpServer));
    m_ftp.setUserName(ProfileFile::trimmedBlanks(settings.FtpUserName));
    m_ftp.setPassword(ProfileFile::trimmedBlanks(settings.FtpPassword));
    m_ftp.setTemporaryName(ProfileFile::trimmedBlanks(settings.FtpTempName) != u"0");
}

void Station::startServices()
{
    if (m_servicesStarted)
        return;
    m_servicesStarted = true;
    // A libcurl the uploads cannot work with is said at start, not hours later at the first upload.
    reportCurlProblem();
    // What an earlier run left owed, and what came due while no copy ran, goes out now.
    m_journal.open(m_paths.programDir, m_clock.now());
    m_delivery.start();
    m_heartbeat.send();
}

void Station::sendManual(QDate day)
{
    m_delivery.sendManual(day);
}

void Station::sendYesterday()
{
    m_delivery.sendYesterday(m_clock.today().addDays(-1));
}

void Station::setRunning(bool running)
{
    m_state.setRunning(running);
}

bool Station::applySettings(const Settings &settings)
{
    QString error;
    if (m_store.save(settings, &error))
        return true;
    m_log.insertTop(text(QStringLiteral("SettingsNotSaved")).arg(error));
    return false;
}

void Station::chooseLanguage(const QString &language)
{
    m_state.setLanguage(language);
    QString error;
    if (!m_store.saveLanguage(language, &error)) {
        // The captions change all the same; the next start comes up in the stored language. Said
        // in the language just chosen, by its own name.
        m_log.insertTop(text(QStringLiteral("LanguageNotStored")).arg(text(QStringLiteral("LanguageName")), error));
    }
}

void Station::acknowledgeFailedByHand()
{
    m_delivery.acknowledgeFailedByHand();
}

void Station::clearLog()
{
    m_log.clear();
}

QList<UploadRecord> Station::history(const QDateTime &since)
{
    return m_journal.rowsSince(since);
}

void Station::flushJournal()
{
    m_journal.flush();
}

QString Station::text(const QString &key) const
{
    return languageText(m_paths.languageFile, m_state.language(), key);
}

QStringList Station::owedFiles() const
{
    QStringList names;
    for (const QString &remotePath : m_delivery.owedFiles())
        names << remotePath.section(u'/', -1);
    names.removeDuplicates();
    return names;
}

QString Station::statusLine() const
{
    StatusLine::Facts facts;
    if (const std::optional<UploadRecord> &last = m_delivery.lastDelivered()) {
        facts.lastFile = last->remotePath.section(u'/', -1);
        facts.lastTime = last->endedAt.isValid() ? last->endedAt : last->askedAt;
        facts.lastBytes = last->bytes;
    }
    const QDateTime now = m_clock.now();
    const Settings &settings = m_state.settings();
    facts.notConfigured = !settings.isConfigured();
    facts.next = StatusLine::nextScheduled(now, settings.times());
    facts.waiting = m_delivery.waitingCount();
    facts.owed = m_delivery.owedCount();
    facts.nextTry = m_delivery.nextRetry();
    if (facts.nextTry.isValid() && (!facts.next.isValid() || facts.nextTry < facts.next))
        facts.next = facts.nextTry;
    const auto texts = [this](const QString &key) { return text(key); };
    if (const std::optional<UploadRecord> &failed = m_delivery.failedByHand()) {
        facts.failedByHand = failed->remotePath.section(u'/', -1);
        facts.failedByHandReason = failed->failureKind != FailureKind::None
            ? shortReason(failed->failureKind, failed->failureDetail, texts)
            : failed->reason;
    }
    return StatusLine::text(facts, now, texts);
}

void Station::notify(const QString &key, const QString &remotePath, const QString &reason, const QDateTime &next)
{
    // Filled in one call, as many values as the text has places (the language file's text has the
    // built-in one's): a "%3" in what the server said must stay as it came, not take the time.
    const QString format = text(key);
    const QString file = remotePath.section(u'/', -1);
    // The last failure of an owed or given-up file in a few words, as History and the status line
    // say it; the whole reason when no kind is known for it.
    const Ledger::Owed *owed = m_delivery.ledger().outstanding(remotePath);
    QString why = owed && owed->failureKind != FailureKind::None
        ? shortReason(owed->failureKind, owed->failureDetail, [this](const QString &key) { return text(key); })
        : reason;
    while (why.endsWith(u'.'))
        why.chop(1); // the sentence around it ends itself
    // A next try whose time has passed is due now.
    const QString at = std::max(next, m_clock.now()).toString(QStringLiteral("HH:mm"));
    QString sentence;
    if (format.contains(QStringLiteral("%3")))
        sentence = format.arg(file, why, at);
    else if (format.contains(QStringLiteral("%2")))
        sentence = format.arg(file, why);
    else
        sentence = format.arg(file);
    // Also where a journal or a log reader sees it: the desktop may have no one to show it to.
    qCInfo(lcStation).noquote() << "notification:" << sentence;
    emit notification(titleText(text(QStringLiteral("Title"))), sentence, key == u"AlarmDelivered", remotePath);
}

} // namespace korva5
