// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FtpTarget.h"
#include "fleet/check/FleetSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace korva5::fleet {

// One connection of the check to the server: one libcurl handle for every request made over it,
// so libcurl keeps the connection (and its login and TLS session) from the first request to the
// last, and logs in once. The check reads its listings over one, and shares the heartbeats and
// the names asked for one by one out among a few (SessionPool). It meets the server on
// the stations' own terms (ConnectionOptions.h: TLS all or nothing, certificates checked, the
// same timeouts), and only reads: it never stores, renames or deletes anything.
//
// Each call blocks until the server has answered. A failure comes back as the server's refusal
// ("550 Permission denied.") or libcurl's message, for the caller to say what it was doing.
class FleetSession
{
public:
    // The longest wait between two looks at the transfer: a look at a server that stopped
    // answering costs nothing, and libcurl's own timeouts end the wait.
    static constexpr std::chrono::milliseconds LongestWait{100};
    // Steps with nothing to wait for taken one after another before a wait.
    static constexpr int IdleStepsInARow = 4;

    enum class Method { Mlsd, List, Nlst };
    static QString methodName(Method method);

    FleetSession(const FtpTarget &target, const FleetSettings &settings);
    ~FleetSession();
    FleetSession(const FleetSession &) = delete;
    FleetSession &operator=(const FleetSession &) = delete;

    // Logs in, enters folder and asks what the server offers (FEAT), where the protocol has
    // such things (sftp has not). False, with why, when any of that fails.
    bool open(const QString &folder, QString *why);
    // The server offers MLSD (it lists MLST among its features).
    bool hasMlsd() const { return m_mlsd; }

    // The most a listing may hold: more than the records of thousands of stations over years.
    static constexpr qint64 MostListingBytes = 512LL * 1024 * 1024;

    // Hands on one line of a listing without its line end; whole is false for a line longer
    // than any listing line, of which only the start is handed on (LineSplitter).
    using LineSink = std::function<void(QByteArrayView line, bool whole)>;
    // Lists folder with method, handing line() each line of the answer as it comes. False, with
    // why, when the server refuses or cannot list the folder, or sends more than
    // MostListingBytes.
    bool list(const QString &folder, Method method, const LineSink &line, QString *why);

    // What the server says of one name asked for by itself.
    struct Facts
    {
        enum class Found { Unknown, Yes, No };
        Found found = Found::Unknown; // Unknown: the server would not say (no SIZE, no MDTM)
        qint64 size = -1;   // -1: the server did not say
        QDateTime modified; // invalid: the server did not say
    };
    // The facts of each of names in folder, asked name by name: over FTP with SIZE (and MDTM
    // where timeWanted says the time is wanted) on the control connection, over sftp with a
    // request for each. A name asked this way is the server's own word, which no other name can
    // pass for.
    using TimeWanted = std::function<bool(const QByteArray &name)>;
    bool facts(const QString &folder, const QList<QByteArray> &names, const TimeWanted &timeWanted, QHash<QByteArray, Facts> *facts,
               QString *why);

    // The file at path, when it holds at most mostBytes. notFound, when given, is set when the
    // server says there is no such file; tooLarge, when the file holds more.
    bool fetch(const QString &path, qsizetype mostBytes, QByteArray *bytes, QString *why, bool *notFound = nullptr,
               bool *tooLarge = nullptr);

    // The longest wait for the server's answer to QUIT: the work is done by then, and a server
    // that never answers it must not hold the check for the minute any other reply may take.
    static constexpr std::chrono::seconds QuitWait{1};
    // Says goodbye (QUIT) and closes the connection, waiting at most QuitWait; a later request
    // logs in again.
    void close();
    // What is left of the check's whole time limit, in milliseconds (0 when it ran out).
    qint64 millisecondsLeft() const;

    // The check's whole time limit ran out: nothing more was asked, and what was not read is
    // not known.
    bool timedOut() const { return m_timedOut; }

    // Keeps to the time limit of the check other began: a connection opened later does not get
    // a whole limit of its own.
    void shareClock(const FleetSession &other) { m_elapsed = other.m_elapsed; }
    // While cancel is set and true, a request under way ends at its next look, as failed.
    void setCancel(const std::atomic<bool> *cancel) { m_cancel = cancel; }

    qint64 bytesRead() const { return m_bytesRead; }
    // Control connections made (logins), not the data connections beside them.
    int connections() const { return m_connections; }

private:
    struct Exchange
    {
        QByteArray command;     // as sent ("PASS" without the password)
        int code = 0;           // the final reply's code; 0 while none has come
        QList<QByteArray> lines; // every line of its replies
    };

    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *self);
    static size_t onWrite(char *data, size_t size, size_t count, void *self);

    // Lists with method, or with command in place of the method's own when given.
    bool listWith(const QString &folder, Method method, const char *command, const LineSink &line, QString *why);
    bool ftpFacts(const QString &folder, const QList<QByteArray> &names, const TimeWanted &timeWanted,
                  QHash<QByteArray, Facts> *facts, QString *why);
    // One request asking SIZE of each of sized and MDTM of each of timed.
    bool askFacts(const QString &folder, const QList<QByteArray> &sized, const QList<QByteArray> &timed,
                  QHash<QByteArray, Facts> *facts, QString *why);
    bool sftpFacts(const QString &folder, const QList<QByteArray> &names, QHash<QByteArray, Facts> *facts, QString *why);
    // Runs one request on the handle as it is set; false, with why, when it fails.
    bool perform(QString *why);
    // Closes the connection as close() says; reopen: a new multi handle for the requests to come.
    void closeConnection(bool reopen);
    CURLcode run();
    QString failure(CURLcode code) const;
    // The exchange of the last command sent that starts with verb, if any.
    const Exchange *lastExchange(QByteArrayView verb) const;
    void resetRequest();
    static QString asFolderPath(const QString &folder);
    QByteArray folderUrl(const QString &folder) const;

    FtpTarget m_target;
    FleetSettings m_settings;
    std::unique_ptr<CURL, void (*)(CURL *)> m_curl;
    std::unique_ptr<CURLM, CURLMcode (*)(CURLM *)> m_multi;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    QElapsedTimer m_elapsed; // since the session began, against the check's whole time limit
    bool m_optionsSet = false;
    QString m_optionProblem;
    bool m_mlsd = false;
    bool m_sizeUnknown = false; // the server's features leave SIZE out: MDTM must tell

    CURLcode m_lastCode = CURLE_OK;

    QList<Exchange> m_exchanges; // of the request under way
    // Where the data of the request under way goes.
    std::function<bool(QByteArrayView)> m_sink;
    bool m_timedOut = false;
    const std::atomic<bool> *m_cancel = nullptr;
    bool m_listingTooLarge = false; // the last listing held more than MostListingBytes
    qint64 m_bytesRead = 0;
    int m_connections = 0;
};

} // namespace korva5::fleet
