// SPDX-License-Identifier: MIT
#pragma once

#include "core/upload/FtpTarget.h"
#include "fleet/check/FleetSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <memory>

// The check's one connection to the server: one libcurl handle for every listing and every
// heartbeat, so libcurl keeps the connection (and its login and TLS session) from the first
// request to the last, and a check of hundreds of stations logs in once. It meets the server on
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

    // Lists folder with method, handing line() each line of the answer (without its line end)
    // as it comes. False, with why, when the server refuses or cannot list the folder.
    bool list(const QString &folder, Method method, const std::function<void(QByteArrayView)> &line, QString *why);

    struct Facts
    {
        qint64 size = -1;   // -1: the server did not say
        QDateTime modified; // invalid: the server did not say
    };
    // The size and modification time of each of names in folder, asked one by one (SIZE, MDTM)
    // on the control connection, for a server whose listing cannot be read.
    bool facts(const QString &folder, const QList<QByteArray> &names, QHash<QByteArray, Facts> *facts, QString *why);

    // The file at path, when it holds at most mostBytes.
    bool fetch(const QString &path, qsizetype mostBytes, QByteArray *bytes, QString *why);

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
    bool listWith(const QString &folder, Method method, const char *command, const std::function<void(QByteArrayView)> &line,
                  QString *why);
    // Runs one request on the handle as it is set; false, with why, when it fails.
    bool perform(QString *why);
    CURLcode run();
    QString failure(CURLcode code) const;
    // The exchange of the last command sent that starts with verb, if any.
    const Exchange *lastExchange(QByteArrayView verb) const;
    void resetRequest();
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
    CURLcode m_lastCode = CURLE_OK;

    QList<Exchange> m_exchanges; // of the request under way
    // Where the data of the request under way goes.
    std::function<bool(QByteArrayView)> m_sink;
    QByteArray m_pending; // a line of a listing not ended yet
    qint64 m_bytesRead = 0;
    int m_connections = 0;
};
