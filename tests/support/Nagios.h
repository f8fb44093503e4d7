// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace korva5 {

namespace TestSupport {

// What Nagios itself (Debian's /usr/sbin/nagios4) keeps of a plugin's answer: a scratch Nagios
// with a configuration of its own in a temporary folder runs one service check per answer, a
// command that prints the answer and ends with its exit status, and what it stored is read from
// its status file. Nagios' own rules apply (the first "|" on any line starts performance data,
// ";" on the first line is turned into ":"), whatever they are in the version installed.
class Nagios
{
public:
    struct Answer
    {
        QByteArray output; // as the plugin prints it, lines and all
        int exitStatus = 0;
    };
    struct Stored
    {
        int state = -1;
        QString output;     // plugin_output: the first line's text
        QString longOutput; // long_plugin_output: the lines after the first
        QString perfData;   // performance_data, from every line
    };

    // Why Nagios cannot run here, or empty when it can.
    static QString unavailable();
    // What Nagios stored of each answer, in their order; empty, with why, when it could not run.
    static QList<Stored> check(const QList<Answer> &answers, QString *why);
};

} // namespace TestSupport

} // namespace korva5
