// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace korva5 {

namespace TestSupport {

// The first column of each row a query gives, straight from a journal's file.
QStringList query(const QString &path, const char *sql);
// What another program could do to a journal's file; true when it was done.
bool execute(const QString &path, const char *sql);

} // namespace TestSupport

} // namespace korva5
