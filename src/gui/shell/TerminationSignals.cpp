// SPDX-License-Identifier: MIT
#include "gui/shell/TerminationSignals.h"

#include "gui/shell/Logging.h"
#include "core/platform/Posix.h"

#include <QSocketNotifier>

namespace korva5 {

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    // A signal handler may do next to nothing; it writes a byte that the event loop picks up.
    const int fd = Posix::redirectTerminationSignals();
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this, fd] {
        Posix::drainSignalBytes(fd);
        qCInfo(lcShell) << "asked to end: ending as Exit does";
        emit received();
    });
}

} // namespace korva5
