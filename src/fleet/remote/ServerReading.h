// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/check/FleetReport.h"
#include "fleet/check/FleetSettings.h"
#include "fleet/check/ServerFiles.h"
#include "fleet/check/Verdicts.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace korva5::fleet {

// Everything a check reads from the server: the listing of the records
// folder (MLSD where the server offers it, else LIST; NLST with SIZE and MDTM for each file of
// interest only when the LIST answer cannot be read), the listing of the status folder, and the
// heartbeat of every listed station that left one. The listings come over one connection; the
// heartbeats and the names confirmed one by one over a few at once, where there are enough.
struct ServerReading
{
    QString error;         // the records folder could not be read: why. Nothing else was read
    QString statusProblem; // the status folder could not be listed: why (the files were read)
    QList<HeartbeatFile> heartbeats; // one per station, when the status folder was read
    FleetReport::Listing listing;
};

// Fills files from the server settings name, at now (which places LIST times without a year).
ServerReading readServer(const FleetSettings &settings, ServerFiles &files, const QDateTime &now);

} // namespace korva5::fleet
