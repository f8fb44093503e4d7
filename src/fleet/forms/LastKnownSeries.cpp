// SPDX-License-Identifier: MIT
#include "fleet/forms/LastKnownSeries.h"

#include <QRegularExpression>

#include <cmath>

namespace korva5::fleet {

namespace {

QString unescapedLabel(const QString &value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == u'\\' && i + 1 < value.size()) {
            ++i;
            plain += value.at(i) == u'n' ? QChar(u'\n') : value.at(i);
        } else {
            plain += value.at(i);
        }
    }
    return plain;
}

} // namespace

LastKnownSeries::LastKnownSeries(const QString &text, const QSet<QString> &stations, const StateSets &stateSets)
{
    static const QRegularExpression sample(QStringLiteral(
        R"re(^(korva5_fleet_station_[a-z_]+)\{station="((?:[^"\\\n]|\\[\\"n])*)"(?:,state="([a-z_]+)")?\} )re"
        R"re((-?[0-9]+(?:\.[0-9]+)?(?:e[+-]?[0-9]+)?)$)re"));
    // A series said twice (a file edited by hand, or two files joined) is said once, with its
    // first value: two samples of one series would make the collector refuse the whole text.
    QSet<QString> seen;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QRegularExpressionMatch match = sample.match(line);
        if (!match.hasMatch())
            continue;
        // A number too large for a double (1e999) is no value the format can carry.
        bool number = false;
        const double value = match.capturedView(4).toDouble(&number);
        if (!number || !std::isfinite(value))
            continue;
        const QString station = unescapedLabel(match.captured(2));
        const QString series = line.left(match.capturedStart(4)).toString();
        const QString family = match.captured(1);
        const auto states = stateSets.constFind(family);
        const bool stateKnown = states == stateSets.cend() ? !match.hasCaptured(3) : states->contains(match.captured(3));
        if (!stations.contains(station) || !stateKnown || seen.contains(series))
            continue;
        seen.insert(series);
        m_lines[family].append(line.toString());
        m_known.insert(family + u'\n' + station);
    }
}

} // namespace korva5::fleet
