// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/check/Verdicts.h"

#include <QString>
#include <QStringList>

#include <map>
#include <string>

namespace korva5::fleet {

struct FleetReport;

// The words of what the check found, in one language: a day's file, a heartbeat, the fleet's
// summary, from the facts the verdicts keep. The English words are those of the plugin's lines,
// the JSON and the metrics (the verdicts' texts are made here); the page says the same facts in
// its own language. What a station or a server wrote goes in as it came, inside these words.
class VerdictWords
{
public:
    // English, China or Taiwan (anything else: English).
    explicit VerdictWords(const QString &language);
    static const VerdictWords &english();

    QString day(const DayVerdict &verdict) const;
    QString heartbeat(const HeartbeatVerdict &verdict) const;
    QString reading(const HeartbeatReading &heartbeat) const; // what is wrong with a heartbeat's file
    QString summary(const FleetReport &report) const;         // UNKNOWN: the check's reason, as it is

    QString age(qint64 seconds) const; // "3 h 5 min", "12 min", "40 s"
    QString bytes(qint64 bytes) const; // "40211 bytes", or that the listing did not say
    QString list(const QStringList &items) const;

    // The built-in text of a key of the page in this language.
    QString text(const char *key) const;

private:
    const std::map<std::string, QString, std::less<>> *m_texts;
};

} // namespace korva5::fleet
