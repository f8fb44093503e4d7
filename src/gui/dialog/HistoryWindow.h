// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QTableWidget;

namespace korva5 {

// The journal's last 30 days as a table (time, file, trigger, bytes, result, reason), newest
// first, read-only, with a filter to the failures; in the language languageText gives the texts
// of (the journal's file keeps its own names).
class HistoryWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int Days = 30;

    HistoryWindow(QList<UploadRecord> rows, const std::function<QString(const QString &)> &languageText,
               QWidget *parent = nullptr);

    // Selects the newest row of the file on the server named name (its last part), and shows it.
    void showFile(const QString &name);

private:
    void fill();

    QList<UploadRecord> m_rows;
    std::function<QString(const QString &key)> m_text; // the language's texts, as read at the opening
    QTableWidget *m_table;
    QCheckBox *m_failuresOnly;
};

} // namespace korva5
