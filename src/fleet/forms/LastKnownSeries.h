// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace korva5::fleet {

// The per-station samples an earlier check wrote in Prometheus' text, read back so that a check
// that cannot read the server can say them again. Only lines of the form this program writes are
// taken (a station's family, its station label, perhaps a state, a number), and only of the
// stations still listed: anything else in the file is left behind.
class LastKnownSeries
{
public:
    // The states each state set may have, by its family; a line of any other family carries no
    // state. A state the program does not write (a file edited by hand) is not said again: an
    // alert written for the states known would never see it.
    using StateSets = QHash<QString, QSet<QString>>;

    LastKnownSeries(const QString &text, const QSet<QString> &stations, const StateSets &stateSets);

    // The sample lines of family, as they were written, in their order.
    QStringList lines(const QString &family) const { return m_lines.value(family); }
    bool knows(const QString &family, const QString &station) const { return m_known.contains(family + u'\n' + station); }

private:
    QHash<QString, QStringList> m_lines;
    QSet<QString> m_known;
};

} // namespace korva5::fleet
