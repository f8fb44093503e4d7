// SPDX-License-Identifier: MIT
#include "gui/tray/TrayTooltip.h"

#include "gui/tray/TrayIcon.h"

namespace korva5 {

namespace {

QString owedLine(const QStringList &files, qsizetype named, const QString &owedText)
{
    QString list = files.first(named).join(QStringLiteral(", "));
    if (named < files.size())
        list += QStringLiteral(" +%1").arg(files.size() - named);
    // Not arg(): a text without %1 in a station's own file still shows the files.
    return owedText.contains(QStringLiteral("%1")) ? QString(owedText).replace(QStringLiteral("%1"), list)
                                                   : owedText + u' ' + list;
}

} // namespace

QString trayTooltip(const QString &runStatus, const QStringList &owedFiles, const QString &owedText)
{
    const QString status = NotifyArea::tooltipText(runStatus);
    if (owedFiles.isEmpty())
        return status;
    const qsizetype room = NotifyArea::TooltipCharacters;
    for (qsizetype named = owedFiles.size(); named > 1; --named) {
        const QString line = owedLine(owedFiles, named, owedText);
        if (status.size() + 1 + line.size() <= room)
            return status + u'\n' + line;
    }
    const QString line = owedLine(owedFiles, 1, owedText);
    const qsizetype statusRoom = room - 1 - line.size();
    if (statusRoom <= 0)
        return line.left(room);
    return NotifyArea::tooltipText(status.left(statusRoom)) + u'\n' + line;
}

} // namespace korva5
