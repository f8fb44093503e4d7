// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

namespace korva5::fleet {

// A station's heartbeat: the file korva5-status.<station>.json its program leaves in the status
// folder, its --status --json report with keys of its own: "format" (1 for this layout; a newer
// program may write a higher number, whose keys this check does not claim to know), "version"
// (the program's), "writtenAt" (ISO 8601 with the offset; older programs wrote it without),
// and the zone of the station's clock, "timeZone" (its IANA name, where the station's system has
// one) and "utcOffsetSeconds" (older programs wrote neither).
struct HeartbeatReading
{
    // The layout this check reads.
    static constexpr int Format = 1;
    // Larger than any report of ten times a day: a file this large is not a heartbeat.
    static constexpr qsizetype MostBytes = 256 * 1024;

    enum class Reading {
        Read,   // the layout known, every key needed there
        Broken, // not JSON, not an object, or keys missing or of the wrong kind
        Newer,  // a format above Format
    };

    // One time of the report that is not OK: what the station owes and why.
    struct Owing
    {
        QString day;        // "today", "yesterday"
        QString slot;       // "FtpTime1"
        QString file;       // the remote file
        QString state;      // "owed", "given-up", ...
        QString severity;   // "WARNING", "CRITICAL"
        QString reasonKind; // "login-refused"; empty when none was recorded
        QString text;       // the line's words
    };

    // What is wrong with a file that is not Read (VerdictWords says it in words).
    enum class Problem {
        None,
        TooLarge,       // above MostBytes
        Empty,
        NotJson,        // problemWord: the JSON parser's error, at byte problemAt
        NotObject,
        NoFormat,
        NoTime,         // problemWord: the key of the time it was written
        NoKey,          // problemWord: the key missing or not a string
        BadState,       // problemWord: the state it gives
        NoCount,        // problemWord: the key of the count
        NotList,        // problemWord: the key of the list
        EntryNotObject, // problemWord: the key of the list
        Newer,          // format: the one it is written in
    };

    Reading reading = Reading::Broken;
    Problem problem = Problem::None;
    QString problemWord;
    qint64 problemAt = 0;
    int format = 0;
    QString version;
    QDateTime writtenAt;            // without an offset: the figures, in this computer's zone
    bool writtenAtHasOffset = false;
    QString timeZone;               // empty: not said
    std::optional<int> utcOffsetSeconds;
    QString station;
    QString state; // the station's own verdict: "OK", "WARNING", "CRITICAL", "UNKNOWN"
    QString summary;
    int owed = 0;
    int givenUp = 0;
    int underWay = 0;
    QList<Owing> owing;

    static HeartbeatReading parse(const QByteArray &json);
    // The states a station's report may be in: "OK", "WARNING", "CRITICAL", "UNKNOWN".
    static QStringList states();

    // The zone the station says its clock runs in: its name where this computer knows it, else
    // the offset it gave; invalid when it says neither (a time's own offset says nothing of the
    // station's other times).
    QTimeZone zone() const;
};

} // namespace korva5::fleet
