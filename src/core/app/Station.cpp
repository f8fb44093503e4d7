// SPDX-License-Identifier: MIT
#include "core/app/Station.h"

#include "core/clock/Clock.h"
#include "core/delivery/StatusLine.h"
#include "core/language/LanguageText.h"
#include "core/settings/SysMain.h"
#include "core/upload/CurlLibrary.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcStation, "korva5.shell", QtInfoMsg)

} // namespace

Station::Station(const ProgramPaths &paths, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_paths(paths)
    , m_clock(clock)
    , m_uploader(m_state, m_log, m_ftp, clock)
    , m_delivery(m_state, m_uploader, m_ftp, m_log, m_journal, clock)
{
    m_ftp.setObjectName(QStringLiteral("inetFtp"));
    m_ftp.setParent(this); // found among the window's children, as the transfer control always was
    connect(&m_state, &AppState::settingsChanged, this, &Station::applySettings);
    connect(&m_state, &AppState::settingsChanged, this, &Station::statusChanged);
    connect(&m_ftp, &TransferQueue::stateChanged, &m_uploader, &Uploader::logState);
    connect(&m_journal, &Journal::notice, &m_log, &TransferLog::insertTop);
    connect(&m_uploader, &Uploader::fileNamesChosen, this, &Station::fileNamesChosen);

    // The window hears of a minute before the schedule looks at it, so that a time that fires
    // in it sets the window's minute count back to 0 after it was counted.
    connect(&m_ticker, &SecondTicker::minutePassed, this, [this] {
        emit minutePassed();
        m_delivery.checkMinute();
        emit statusChanged();
    });
    connect(&m_ticker, &SecondTicker::secondPassed, &m_delivery, &Delivery::checkRetries);
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
    connect(&m_delivery, &Delivery::deliveredAfterAll, this,
            [this](const QString &remotePath) { notify(QStringLiteral("AlarmDelivered"), remotePath); });
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
void Station::applySettings()
{
    const Settings &settings = m_state.settings();
    m_ftp.setServerAddress(SysMain::Trim(settings.FtpServer));
    m_ftp.setUserName(SysMain::Trim(settings.FtpUserName));
    m_ftp.setPassword(SysMain::Trim(settings.FtpPassword));
    m_ftp.setTemporaryName(SysMain::Trim(settings.FtpTempName) != u"0");
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
        facts.lastTime = last->startedAt.isValid() ? last->startedAt : last->askedAt;
        facts.lastBytes = last->bytes;
    }
    const QDateTime now = m_clock.now();
    facts.next = StatusLine::nextScheduled(now, m_state.settings().times());
    facts.waiting = m_delivery.waitingCount();
    return StatusLine::text(facts, now, [this](const QString &key) { return text(key); });
}

void Station::notify(const QString &key, const QString &remotePath, const QString &reason, const QDateTime &next)
{
    QString sentence = text(key).arg(remotePath.section(u'/', -1));
    if (sentence.contains(QStringLiteral("%2"))) {
        QString why = m_delivery.shortReason(remotePath, reason);
        while (why.endsWith(u'.'))
            why.chop(1); // the sentence around it ends itself
        sentence = sentence.arg(why);
    }
    // A next try whose time has passed is due now.
    if (sentence.contains(QStringLiteral("%3")))
        sentence = sentence.arg(std::max(next, m_clock.now()).toString(QStringLiteral("HH:mm")));
    // Also where a journal or a log reader sees it: the desktop may have no one to show it to.
    qCInfo(lcStation).noquote() << "notification:" << sentence;
    emit notification(titleText(text(QStringLiteral("Title"))), sentence, key == u"AlarmDelivered", remotePath);
}
