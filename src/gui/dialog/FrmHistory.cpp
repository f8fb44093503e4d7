// SPDX-License-Identifier: MIT
#include "gui/dialog/FrmHistory.h"

#include "core/diagnostics/ShownText.h"
#include "core/diagnostics/SizeText.h"
#include "core/language/LanguageText.h"
#include "core/settings/Settings.h"
#include "core/upload/FailureReason.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

FrmHistory::FrmHistory(QList<UploadRecord> rows, const std::function<QString(const QString &)> &languageText,
                       QWidget *parent)
    : QDialog(parent)
    , m_rows(std::move(rows))
    , m_table(new QTableWidget(this))
    , m_failuresOnly(new QCheckBox(languageText(QStringLiteral("HistoryFailures")), this))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(titleText(languageText(QStringLiteral("History"))));
    m_table->setObjectName(QStringLiteral("tblHistory"));
    m_failuresOnly->setObjectName(QStringLiteral("chkFailures"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->setColumnCount(6);
    // Column headers are the journal's own words, as --history prints them.
    m_table->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("File"), QStringLiteral("Trigger"),
                                        QStringLiteral("Bytes"), QStringLiteral("Result"), QStringLiteral("Reason")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    std::sort(m_rows.begin(), m_rows.end(), [](const UploadRecord &a, const UploadRecord &b) {
        return a.askedAt != b.askedAt ? a.askedAt > b.askedAt : a.id > b.id;
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_failuresOnly);
    layout->addWidget(m_table, 1);
    resize(860, 420);
    connect(m_failuresOnly, &QCheckBox::toggled, this, &FrmHistory::fill);
    fill();
}

void FrmHistory::showFile(const QString &name)
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (m_table->item(row, 1) && m_table->item(row, 1)->text() == name) {
            m_table->selectRow(row);
            m_table->scrollToItem(m_table->item(row, 1));
            return;
        }
    }
}

void FrmHistory::fill()
{
    const bool failuresOnly = m_failuresOnly->isChecked();
    m_table->setRowCount(0);
    for (const UploadRecord &row : std::as_const(m_rows)) {
        if (failuresOnly && row.outcome != Outcome::Failed)
            continue;
        const int at = m_table->rowCount();
        m_table->insertRow(at);
        QString trigger = triggerName(row.trigger);
        if (row.slot >= 0 && row.slot < Settings::TimeSlots) {
            trigger += u' ';
            trigger += Settings::timeKey(row.slot);
        }
        const QStringList cells{row.askedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                shownText(row.remotePath.section(u'/', -1)), trigger,
                                row.bytes >= 0 ? sizeText(double(row.bytes)) : QString(), outcomeName(row.outcome),
                                // Rows from before kinds were kept show their whole reason.
                                row.failureKind != FailureKind::None ? shortReason(row.failureKind, row.failureDetail)
                                                                     : shownText(row.reason)};
        for (int column = 0; column < int(cells.size()); ++column)
            m_table->setItem(at, column, new QTableWidgetItem(cells.at(column)));
        m_table->item(at, int(cells.size()) - 1)->setToolTip(shownText(row.reason)); // the whole of it
    }
    m_table->resizeColumnsToContents();
}
