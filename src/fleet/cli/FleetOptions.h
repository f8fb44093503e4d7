// SPDX-License-Identifier: MIT
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringView>

namespace korva5::fleet {

// korva5-fleet's options, each with the words --help says of it. The help is made from these
// and the parser reads these, so an option cannot be taken without being explained.
struct FleetOptionGroup
{
    QString heading;
    QList<QCommandLineOption> options;
};

// configDefault: what --help says is read when --config is not given.
QList<FleetOptionGroup> fleetOptionGroups(const QString &configDefault);

// The option whose first name is name (one of fleetOptionGroups()'s).
QCommandLineOption fleetOption(const QList<FleetOptionGroup> &groups, QStringView name);

// --help's list of the options, by group, descriptions wrapped beside the names.
QString fleetOptionsHelp(const QList<FleetOptionGroup> &groups);

} // namespace korva5::fleet
