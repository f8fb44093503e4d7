// SPDX-License-Identifier: MIT
#include "Nagios.h"

#include "Files.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

namespace korva5 {

namespace TestSupport {

namespace {

const QString Program = QStringLiteral("/usr/sbin/nagios4");

// Nagios drops to its own user when started as root, and runs as whoever starts it otherwise.
QByteArray runAs()
{
    if (geteuid() == 0)
        return "nagios";
    const passwd *user = getpwuid(geteuid());
    return user ? QByteArray(user->pw_name) : QByteArray();
}

QByteArray objects(const QString &dir, qsizetype services)
{
    QByteArray text = "define timeperiod {\n timeperiod_name always\n alias always\n";
    for (const char *day : {"sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"})
        text += QByteArray(" ") + day + " 00:00-24:00\n";
    text += "}\n"
            "define contact {\n contact_name nobody\n host_notifications_enabled 0\n service_notifications_enabled 0\n"
            " host_notification_period always\n service_notification_period always\n host_notification_options n\n"
            " service_notification_options n\n host_notification_commands answer0\n service_notification_commands answer0\n}\n"
            "define host {\n host_name station\n address 127.0.0.1\n max_check_attempts 1\n check_period always\n"
            " contacts nobody\n active_checks_enabled 0\n}\n";
    for (qsizetype i = 0; i < services; ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "define command {\n command_name answer" + n + "\n command_line /bin/sh " + QFile::encodeName(dir)
            + "/answer" + n + ".sh\n}\n"
              "define service {\n host_name station\n service_description answer" + n + "\n check_command answer" + n
            + "\n max_check_attempts 1\n check_interval 3600\n retry_interval 3600\n check_period always\n contacts nobody\n}\n";
    }
    return text;
}

// Nagios writes the long output on one line, with "\\n" for each line end and "\\\\" for a backslash.
QString unescaped(const QString &text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            ++i;
            plain += text[i] == u'n' ? u'\n' : text[i];
        } else {
            plain += text[i];
        }
    }
    return plain;
}

// The service blocks of a status file, by their description.
QMap<QString, QMap<QString, QString>> serviceStatus(const QByteArray &file)
{
    QMap<QString, QMap<QString, QString>> services;
    QMap<QString, QString> block;
    bool inService = false;
    for (const QByteArray &raw : file.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line == u"servicestatus {") {
            inService = true;
            block.clear();
        } else if (inService && line == u"}") {
            inService = false;
            services.insert(block.value(QStringLiteral("service_description")), block);
        } else if (inService) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0)
                block.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    return services;
}

} // namespace

QString Nagios::unavailable()
{
    if (!QFileInfo(Program).isExecutable())
        return Program + QStringLiteral(" is not installed (apt-get install nagios4-core)");
    if (runAs().isEmpty() || (geteuid() == 0 && !getpwnam("nagios")))
        return QStringLiteral("there is no user for Nagios to run as");
    return {};
}

QList<Nagios::Stored> Nagios::check(const QList<Answer> &answers, QString *why)
{
    if (*why = unavailable(); !why->isEmpty())
        return {};
    QTemporaryDir dir;
    const QString path = dir.path();
    if (!dir.isValid() || !QDir().mkpath(path + QStringLiteral("/results"))) {
        *why = QStringLiteral("cannot make a folder for Nagios");
        return {};
    }
    for (qsizetype i = 0; i < answers.size(); ++i) {
        writeFile(path + QStringLiteral("/answer%1.txt").arg(i), answers[i].output);
        writeFile(path + QStringLiteral("/answer%1.sh").arg(i), "cat " + QFile::encodeName(path) + "/answer"
                                                                    + QByteArray::number(i) + ".txt\nexit "
                                                                    + QByteArray::number(answers[i].exitStatus) + "\n");
    }
    writeFile(path + QStringLiteral("/objects.cfg"), objects(path, answers.size()));
    const QByteArray at = QFile::encodeName(path);
    // Every check at once (no spreading), no state kept from an earlier run, nothing sent, and
    // every file of its own in the folder (two tests may run a Nagios each at once).
    writeFile(path + QStringLiteral("/nagios.cfg"),
              "log_file=" + at + "/nagios.log\ncfg_file=" + at + "/objects.cfg\nstatus_file=" + at
                  + "/status.dat\nstatus_update_interval=1\nnagios_user=" + runAs() + "\nnagios_group=" + runAs()
                  + "\ncheck_result_path=" + at + "/results\nlock_file=" + at + "/nagios.lock\ntemp_file=" + at
                  + "/nagios.tmp\ntemp_path=" + at + "\ncommand_file=" + at + "/nagios.cmd\ncheck_external_commands=0\n"
                  "retain_state_information=0\nstate_retention_file=" + at + "/retention.dat\ninterval_length=1\n"
                  "service_inter_check_delay_method=n\nhost_inter_check_delay_method=n\nuse_syslog=0\n"
                  "enable_notifications=0\nillegal_macro_output_chars=`~$&|'\"<>\nobject_cache_file=" + at
                  + "/objects.cache\nprecached_object_file=" + at + "/objects.precache\nquery_socket=" + at + "/nagios.qh\n");
    QProcess chown;
    chown.start(QStringLiteral("/bin/chown"), {QStringLiteral("-R"), QString::fromLocal8Bit(runAs()), path});
    chown.waitForFinished();
    QFile::setPermissions(path, QFile::Permissions(0x7755));

    QProcess nagios;
    nagios.setProcessChannelMode(QProcess::MergedChannels);
    nagios.start(Program, {path + QStringLiteral("/nagios.cfg")});
    nagios.waitForStarted();
    QList<Stored> stored;
    // Each check runs at start; the status file says when every one has been made.
    QDeadlineTimer deadline(60'000);
    while (!deadline.hasExpired() && nagios.state() == QProcess::Running) {
        const auto services = serviceStatus(readFile(path + QStringLiteral("/status.dat")));
        bool all = services.size() == answers.size();
        for (const auto &service : services)
            all = all && service.value(QStringLiteral("has_been_checked")) == u"1";
        if (all) {
            for (qsizetype i = 0; i < answers.size(); ++i) {
                const QMap<QString, QString> service = services.value(QStringLiteral("answer%1").arg(i));
                stored << Stored{service.value(QStringLiteral("current_state")).toInt(), service.value(QStringLiteral("plugin_output")),
                                 unescaped(service.value(QStringLiteral("long_plugin_output"))),
                                 service.value(QStringLiteral("performance_data"))};
            }
            break;
        }
        QThread::msleep(100);
    }
    if (stored.isEmpty())
        *why = QStringLiteral("Nagios made no checks: ") + QString::fromLocal8Bit(nagios.readAll());
    nagios.terminate();
    if (!nagios.waitForFinished(10'000))
        nagios.kill();
    nagios.waitForFinished();
    return stored;
}

} // namespace TestSupport

} // namespace korva5
