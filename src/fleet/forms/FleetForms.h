// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/check/FleetReport.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace korva5::fleet {

// The forms a fleet check is given in. Each says the same facts; none judges anything.
namespace FleetForms {

// The monitoring plugin's first line, then one line per station (the day asked and the
// heartbeat), then notes on what the listing held beside the records files and how it was read.
QStringList text(const FleetReport &report);

// One object, for scripts and dashboards (see README).
QJsonObject json(const FleetReport &report);

// Prometheus' text exposition format, for node_exporter's textfile collector: the check's own
// gauges, and per station the state of its file and of its heartbeat (state sets) and the
// figures of each. When the server could not be read, the stations' series are those of the
// text an earlier check wrote (previous), for the stations listed; see LastKnownSeries.
QString prometheus(const FleetReport &report, const QStringList &stations = {}, const QString &previous = {});

// One page of its own (inline style, nothing fetched from elsewhere, no script): every station by
// the days looked at, a cell per day coloured by what it holds, what is wrong in words on its row
// (the whole a click away), stations never heard from first. language: English, China or Taiwan,
// for its words (the built-in texts through VerdictWords); what stations and the server wrote is as
// they wrote it.
QString html(const FleetReport &report, const QString &language = QStringLiteral("English"));

} // namespace FleetForms

} // namespace korva5::fleet
