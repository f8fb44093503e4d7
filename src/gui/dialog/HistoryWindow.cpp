// SPDX-License-Identifier: MIT
#include "gui/dialog/HistoryWindow.h"

#include "core/diagnostics/ShownText.h"
#include "core/diagnostics/SizeText.h"
#include "core/language/LanguageText.h"
#include "core/settings/Settings.h"
#include "core/transfer/FailureReason.h"

#include <QCheckBox>
#include <QHash>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace korva5 {

namespace {

struct TriggerKey
{
    Trigger trigger;
    const char *key;
};
constexpr TriggerKey TriggerKeys[] = {{Trigger::Manual, "TriggerManual"},
                                      {Trigger::Yesterday, "TriggerYesterday"},
                                      {Trigger::Slot, "TriggerSlot"},
                                      {Trigger::Retry, "TriggerRetry"},
                                      {Trigger::CatchUp, "TriggerCatchUp"}};

struct OutcomeKey
{
    Outcome outcome;
    const char *key;
};
constexpr OutcomeKey OutcomeKeys[] = {{Outcome::Asked, "OutcomeAsked"},
                                      {Outcome::Running, "OutcomeRunning"},
                                      {Outcome::Succeeded, "OutcomeSucceeded"},
                                      {Outcome::Failed, "OutcomeFailed"}};

template <typename Row, size_t N, typename Value>
QString keyOf(const Row (&table)[N], Value Row::*field, Value value)
{
    for (const Row &row : table) {
        if (row.*field == value)
            return QLatin1StringView(row.key);
    }
    return {};
}

} // namespace

HistoryWindow::HistoryWindow(QList<UploadRecord> rows, const std::function<QString(const QString &)> &languageText,
                       QWidget *parent)
    : QDialog(parent)
    , m_rows(std::move(rows))
    // Each text is read once for the opening, not once for every row of a month.
    , m_text([languageText, read = std::make_shared<QHash<QString, QString>>()](const QString &key) {
        auto it = read->constFind(key);
        return it != read->cend() ? *it : *read->insert(key, languageText(key));
    })
    , m_table(new QTableWidget(this))
    , m_failuresOnly(new QCheckBox(m_text(QStringLiteral("HistoryFailures")), this))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(titleText(m_text(QStringLiteral("History"))));
    m_table->setObjectName(QStringLiteral("tblHistory"));
    m_failuresOnly->setObjectName(QStringLiteral("chkFailures"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->setColumnCount(6);
    QStringList headers;
    for (const char *key : {"HistoryTime", "HistoryFile", "HistoryTrigger", "HistoryBytes", "HistoryResult", "HistoryReason"})
        headers << m_text(QLatin1StringView(key));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    std::sort(m_rows.begin(), m_rows.end(), [](const UploadRecord &a, const UploadRecord &b) {
        return a.askedAt != b.askedAt ? a.askedAt > b.askedAt : a.id > b.id;
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_failuresOnly);
    layout->addWidget(m_table, 1);
    resize(860, 420);
    connect(m_failuresOnly, &QCheckBox::toggled, this, &HistoryWindow::fill);
    fill();
}

void HistoryWindow::showFile(const QString &name)
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (m_table->item(row, 1) && m_table->item(row, 1)->text() == name) {
            m_table->selectRow(row);
            m_table->scrollToItem(m_table->item(row, 1));
            return;
        }
    }
}

void HistoryWindow::fill()
{
    const bool failuresOnly = m_failuresOnly->isChecked();
    m_table->setRowCount(0);
    for (const UploadRecord &row : std::as_const(m_rows)) {
        if (failuresOnly && row.outcome != Outcome::Failed)
            continue;
        const int at = m_table->rowCount();
        m_table->insertRow(at);
        QString trigger = m_text(keyOf(TriggerKeys, &TriggerKey::trigger, row.trigger));
        // With the time it belongs to, numbered as the settings number them (FtpTime1 ...).
        if (row.slot >= 0 && row.slot < Settings::TimeSlots)
            trigger = m_text(QStringLiteral("TriggerTime")).arg(trigger, QString::number(row.slot + 1));
        const QStringList cells{row.askedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                shownText(row.remotePath.section(u'/', -1)), trigger,
                                // a failure that sent nothing has no size worth showing
                                row.bytes > 0 || (row.bytes == 0 && row.outcome == Outcome::Succeeded) ? sizeText(double(row.bytes), m_text(QStringLiteral("SizeBytes"))) : QString(),
                                m_text(keyOf(OutcomeKeys, &OutcomeKey::outcome, row.outcome)),
                                // Rows from before kinds were kept show their whole reason.
                                row.failureKind != FailureKind::None ? shortReason(row.failureKind, row.failureDetail, m_text)
                                                                     : shownText(row.reason)};
        for (int column = 0; column < int(cells.size()); ++column)
            m_table->setItem(at, column, new QTableWidgetItem(cells.at(column)));
        m_table->item(at, int(cells.size()) - 1)->setToolTip(shownText(row.reason)); // the whole of it
    }
    m_table->resizeColumnsToContents();
}

} // namespace korva5
