// SPDX-License-Identifier: MIT
#include "ChineseText.h"

#include <QRegularExpression>
#include <QSet>

namespace korva5 {

namespace TestSupport {

QStringList notChinese(QString text, const QStringList &quoted)
{
    for (const QString &part : quoted)
        text.remove(part);
    // The access key of a caption, as every Chinese caption of the program writes it.
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));

    // Names that stay as they are in any language: protocols, libraries, files and their forms.
    static const QSet<QString> names{QStringLiteral("KORVA5"),  QStringLiteral("FTP"),      QStringLiteral("TLS"),
                                     QStringLiteral("SSH"),     QStringLiteral("ftp"),      QStringLiteral("ftps"),
                                     QStringLiteral("ftpes"),   QStringLiteral("sftp"),     QStringLiteral("libcurl"),
                                     QStringLiteral("known_hosts"), QStringLiteral("example"), QStringLiteral("com"),
                                     QStringLiteral("yyyymmdd"), QStringLiteral("txt"),
                                     // the program's own files, named as they are on disk
                                     QStringLiteral("TALLYPORT"), QStringLiteral("ini"), QStringLiteral("Language"),
                                     // a heartbeat's form, and the unit of its largest size
                                     QStringLiteral("JSON"), QStringLiteral("KiB")};
    QStringList found;
    static const QRegularExpression word(QStringLiteral("[A-Za-z_][A-Za-z0-9_]+"));
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured();
        if (!names.contains(name))
            found << name;
    }
    for (const QChar c : {u',', u';', u'(', u')', u'"', u'!', u'?'}) {
        if (text.contains(c))
            found << QString(c);
    }
    for (const QString &pair : {QStringLiteral(": "), QStringLiteral(". ")}) {
        if (text.contains(pair))
            found << pair;
    }
    if (text.endsWith(u'.') || text.endsWith(u':'))
        found << text.right(1);
    return found;
}

} // namespace TestSupport

} // namespace korva5
