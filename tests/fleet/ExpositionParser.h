// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

namespace korva5::fleet {

// Prometheus' text as its parser reads it, for the tests of what korva5-fleet writes.
namespace ExpositionParser {

struct Sample
{
    QString name;
    QMap<QString, QString> labels;
    double value = 0;
};

// Reads Prometheus' text exposition format strictly: HELP and TYPE once per family and before
// its samples, each family's samples together, valid names, label values with only the three
// escapes the format has, numbers that are numbers, no series twice, a line end at the end.
inline QString parseExposition(const QString &text, QList<Sample> *samples)
{
    static const QRegularExpression metricName(u"^[a-zA-Z_:][a-zA-Z0-9_:]*$"_qs);
    static const QRegularExpression labelName(u"^[a-zA-Z_][a-zA-Z0-9_]*$"_qs);
    if (!text.endsWith(u'\n'))
        return u"no line end at the end"_qs;
    QSet<QString> helped, typed, closed, series;
    QString current;
    const QStringList lines = text.chopped(1).split(u'\n');
    for (qsizetype number = 0; number < lines.size(); ++number) {
        const QString &line = lines.at(number);
        const QString where = u"line %1: "_qs.arg(number + 1);
        if (line.startsWith(u'#')) {
            const QStringList words = line.split(u' ');
            if (words.size() < 4 || (words[1] != u"HELP" && words[1] != u"TYPE"))
                return where + u"a comment that is neither HELP nor TYPE with text"_qs;
            const QString &name = words[2];
            if (!metricName.match(name).hasMatch())
                return where + u"bad metric name "_qs + name;
            QSet<QString> &seen = words[1] == u"HELP" ? helped : typed;
            if (seen.contains(name) || closed.contains(name) || (current == name && series.contains(name)))
                return where + words[1] + u" twice or after the samples of "_qs + name;
            seen.insert(name);
            if (words[1] == u"TYPE" && words.size() != 4)
                return where + u"TYPE takes one word"_qs;
            if (words[1] == u"TYPE" && !QStringList{u"gauge"_qs, u"counter"_qs, u"untyped"_qs}.contains(words[3]))
                return where + u"unknown type "_qs + words[3];
            continue;
        }
        Sample sample;
        qsizetype at = 0;
        while (at < line.size() && line[at] != u'{' && line[at] != u' ')
            ++at;
        sample.name = line.left(at);
        if (!metricName.match(sample.name).hasMatch())
            return where + u"bad metric name "_qs + sample.name;
        if (!typed.contains(sample.name))
            return where + u"a sample before its TYPE: "_qs + sample.name;
        if (sample.name != current) {
            if (!current.isEmpty())
                closed.insert(current);
            if (closed.contains(sample.name))
                return where + u"the samples of "_qs + sample.name + u" are not together"_qs;
            current = sample.name;
        }
        if (at < line.size() && line[at] == u'{') {
            ++at;
            while (at < line.size() && line[at] != u'}') {
                const qsizetype equals = line.indexOf(u'=', at);
                if (equals < 0 || equals + 1 >= line.size() || line[equals + 1] != u'"')
                    return where + u"a label without =\""_qs;
                const QString label = line.mid(at, equals - at);
                if (!labelName.match(label).hasMatch() || sample.labels.contains(label))
                    return where + u"bad or repeated label "_qs + label;
                QString value;
                at = equals + 2;
                for (; at < line.size() && line[at] != u'"'; ++at) {
                    if (line[at] != u'\\') {
                        value += line[at];
                        continue;
                    }
                    if (++at >= line.size() || !QStringLiteral("\\\"n").contains(line[at]))
                        return where + u"an escape the format does not have"_qs;
                    value += line[at] == u'n' ? u'\n' : line[at];
                }
                if (at >= line.size())
                    return where + u"a label value without its closing quote"_qs;
                sample.labels.insert(label, value);
                ++at;
                if (at < line.size() && line[at] == u',')
                    ++at;
                else if (at < line.size() && line[at] != u'}')
                    return where + u"labels not separated by commas"_qs;
            }
            if (at >= line.size())
                return where + u"labels without their closing brace"_qs;
            ++at;
        }
        if (at >= line.size() || line[at] != u' ')
            return where + u"no blank before the value"_qs;
        const QStringList rest = line.mid(at + 1).split(u' ');
        bool ok = false;
        sample.value = rest.first().toDouble(&ok);
        if ((!ok && !QStringList{u"NaN"_qs, u"+Inf"_qs, u"-Inf"_qs}.contains(rest.first())) || rest.size() > 2)
            return where + u"not a number: "_qs + rest.first();
        QString key = sample.name;
        for (auto it = sample.labels.cbegin(); it != sample.labels.cend(); ++it)
            key += u'|' + it.key() + u'=' + it.value();
        if (series.contains(key))
            return where + u"the same series twice: "_qs + key;
        series.insert(key);
        samples->append(sample);
    }
    return {};
}

inline double valueOf(const QList<Sample> &samples, const QString &name, const QString &station = {})
{
    for (const Sample &sample : samples) {
        if (sample.name == name && sample.labels.value(u"station"_qs) == station)
            return sample.value;
    }
    return -12345;
}

inline bool hasSample(const QList<Sample> &samples, const QString &name, const QString &station)
{
    return valueOf(samples, name, station) != -12345;
}

// The state a state set says the station is in: the one labelled 1, when exactly one is and the
// others are 0; empty otherwise.
inline QString stateOf(const QList<Sample> &samples, const QString &name, const QString &station)
{
    QStringList on;
    for (const Sample &sample : samples) {
        if (sample.name != name || sample.labels.value(u"station"_qs) != station)
            continue;
        if (sample.value == 1)
            on.append(sample.labels.value(u"state"_qs));
        else if (sample.value != 0)
            return {};
    }
    return on.size() == 1 ? on.first() : QString();
}


} // namespace ExpositionParser

} // namespace korva5::fleet
