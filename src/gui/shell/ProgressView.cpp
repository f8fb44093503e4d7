// SPDX-License-Identifier: MIT
#include "gui/shell/ProgressView.h"

#include "core/app/Station.h"

#include <QProgressBar>

namespace korva5 {

ProgressView::ProgressView(Station &station, QProgressBar *bar, std::function<QString(const QString &key)> text,
                           QObject *parent)
    : QObject(parent)
    , m_bar(bar)
    , m_text(std::move(text))
{
    m_clock.start();
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(true);
    m_bar->hide();
    connect(&station, &Station::transferStarted, this, &ProgressView::onStarted);
    connect(&station, &Station::transferProgress, this, &ProgressView::onProgress);
    connect(&station, &Station::transferEnded, this, &ProgressView::onEnded);
}

ProgressMeter::Time ProgressView::now() const
{
    return ProgressMeter::Time(m_clock.elapsed());
}

void ProgressView::onStarted(quint64 tag)
{
    m_tag = tag;
    m_meter.start(now());
    m_bar->hide();
}

void ProgressView::onProgress(quint64 tag, qint64 sent, qint64 total)
{
    if (tag != m_tag)
        return;
    const ProgressMeter::Time at = now();
    m_meter.add(at, sent, total);
    if (!m_meter.worthShowing(at))
        return;
    if (m_bar->isHidden()) {
        m_left = m_text ? m_text(QStringLiteral("TimeLeft")) : QString();
        m_bytes = m_text ? m_text(QStringLiteral("SizeBytes")) : QString();
        // A language file from before the bar knew no such words: English, rather than a bare
        // number or the placeholder itself.
        if (!m_left.contains(QStringLiteral("%1")))
            m_left = QStringLiteral("%1 left");
        if (!m_bytes.contains(QStringLiteral("%1")))
            m_bytes = QStringLiteral("%1 bytes");
    }
    const ProgressMeter::Reading reading = m_meter.reading();
    m_bar->setValue(reading.percent);
    // The percent sign is followed by a blank, never by a letter of the bar's own placeholders.
    m_bar->setFormat(ProgressMeter::text(reading, m_left, m_bytes));
    m_bar->show();
}

void ProgressView::onEnded(const FtpResult &result)
{
    // A send turned away while another runs ends too; the bar stays with the one under way.
    if (result.tag != m_tag)
        return;
    m_tag = 0;
    m_bar->hide();
}

} // namespace korva5
