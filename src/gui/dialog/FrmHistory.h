// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QTableWidget;

// The journal's last 30 days as a table (time, file, trigger, bytes, result, reason), newest
// first, read-only, with a filter to the failures.
class FrmHistory : public QDialog
{
    Q_OBJECT

public:
    static constexpr int Days = 30;

    FrmHistory(QList<UploadRecord> rows, const std::function<QString(const QString &)> &languageText,
               QWidget *parent = nullptr);

    // Selects the newest row of the file on the server named name (its last part), and shows it.
    void showFile(const QString &name);

private:
    void fill();

    QList<UploadRecord> m_rows;
    QTableWidget *m_table;
    QCheckBox *m_failuresOnly;
};
