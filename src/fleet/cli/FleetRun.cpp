// SPDX-License-Identifier: MIT
#include "fleet/cli/FleetRun.h"

#include "core/diagnostics/ShownText.h"
#include "fleet/check/FleetReport.h"
#include "fleet/forms/FleetForms.h"
#include "fleet/remote/ServerReading.h"

#include <QFile>
#include <QJsonDocument>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace korva5::fleet {

namespace {

FleetReport check(FleetSettings settings, QDate day, const QDateTime &now)
{
    // A heartbeat tells how a station stands now: of another day only the listing can speak.
    if (day != now.date())
        settings.statusFolder.clear();
    ServerFiles files(settings.stations, day, HistoryDays);
    const ServerReading reading = readServer(settings, files, now);
    if (!reading.error.isEmpty()) {
        FleetReport report = FleetReport::unknown(reading.error, day, now);
        report.listing = reading.listing;
        return report;
    }
    FleetReport report = judgeFleet(settings, files, reading.heartbeats, day, now);
    if (report.status == FleetReport::Unknown)
        return report;
    // What judging the files found in the listing, and how the server was read.
    FleetReport::Listing &listing = report.listing;
    listing.method = reading.listing.method;
    listing.bytes = reading.listing.bytes;
    listing.connections = reading.listing.connections;
    listing.seconds = reading.listing.seconds;
    listing.unreadableLines = reading.listing.unreadableLines;
    listing.unreadableExample = reading.listing.unreadableExample;
    listing.confirmed = reading.listing.confirmed;
    listing.statusProblem = reading.statusProblem;
    if (!reading.statusProblem.isEmpty())
        report.status = std::max<int>(report.status, FleetReport::Warning);
    return report;
}

// Replaced in one step, so a web server never serves half a page, nor node_exporter half a text.
QString writePage(const QString &path, const QString &page)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(page.toUtf8());
    if (!file.commit())
        return file.errorString();
    return {};
}

// Far more than the text of the most stations a fleet lists: a larger file is not ours to read whole.
constexpr qint64 PreviousTextMostBytes = 64 * 1024 * 1024;

// The text an earlier check wrote to file, up to PreviousTextMostBytes; a line the limit cuts is
// left out whole, never read as a shorter number.
QString previousText(QFile &file)
{
    // Only a plain file is read: opening a FIFO would wait for a writer past every time limit.
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.read(PreviousTextMostBytes + 1);
    if (bytes.size() > PreviousTextMostBytes)
        bytes.truncate(bytes.lastIndexOf('\n', PreviousTextMostBytes - 1) + 1);
    return QString::fromUtf8(bytes);
}

void print(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int runFleetCheck(const FleetCommand &command, const QDateTime &now, const QString &error)
{
    const QDate day = command.day.isValid() ? command.day : now.date();
    FleetReport report = error.isEmpty() ? check(command.settings, day, now) : FleetReport::unknown(error, day, now);
    if (!command.htmlFile.isEmpty()) {
        if (const QString why = writePage(command.htmlFile, FleetForms::html(report, command.language)); !why.isEmpty()) {
            // Whoever reads the page would go on reading an old one: that is no success.
            std::fprintf(stderr, "korva5-fleet: cannot write %s: %s\n", qPrintable(shownText(command.htmlFile)), qPrintable(why));
            report = FleetReport::unknown(QStringLiteral("cannot write the page %1: %2").arg(shownText(command.htmlFile), why), day, now);
        }
    }
    if (!command.prometheusFile.isEmpty()) {
        // What the file held before speaks for the stations while the server cannot be read.
        QFile before(command.prometheusFile);
        const QString previous = previousText(before);
        const QString text = FleetForms::prometheus(report, command.settings.stations, previous);
        if (const QString why = writePage(command.prometheusFile, text); !why.isEmpty()) {
            std::fprintf(stderr, "korva5-fleet: cannot write %s: %s\n", qPrintable(shownText(command.prometheusFile)), qPrintable(why));
            report = FleetReport::unknown(
                QStringLiteral("cannot write the Prometheus text %1: %2").arg(shownText(command.prometheusFile), why), day, now);
        }
    }
    switch (command.form) {
    case FleetCommand::Form::Text:
        print((FleetForms::text(report).join(u'\n') + u'\n').toUtf8());
        break;
    case FleetCommand::Form::Json:
        print(QJsonDocument(FleetForms::json(report)).toJson(QJsonDocument::Indented));
        break;
    case FleetCommand::Form::Prometheus:
        print(FleetForms::prometheus(report, command.settings.stations).toUtf8());
        break;
    }
    return report.status;
}

} // namespace korva5::fleet
