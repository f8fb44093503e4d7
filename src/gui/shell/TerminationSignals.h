// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QSocketNotifier;

namespace korva5 {

// SIGTERM and SIGINT (systemd stopping the service, Ctrl+C in a terminal, a shutdown) turned into
// a Qt signal, so that the program ends the way Exit ends it: the tray icon removed, the running
// upload aborted and every upload that did not run named in the log. By default these signals
// would end the process on the spot and lose all of that without a word.
//
// Only one object of this class may exist. Where the platform has no such signals it never
// emits anything.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);

signals:
    void received();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace korva5
