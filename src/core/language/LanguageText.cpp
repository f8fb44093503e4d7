// SPDX-License-Identifier: MIT
#include "core/language/LanguageText.h"

#include "core/settings/ProfileFile.h"
#include "core/settings/SysMain.h"

#include <QLoggingCategory>
#include <QSet>

namespace {

Q_LOGGING_CATEGORY(lcLanguage, "korva5.shell", QtInfoMsg)

const QString FallbackLanguage = QStringLiteral("English");

void sayOnce(const QString &line)
{
    static QSet<QString> said;
    if (!said.contains(line)) {
        said.insert(line);
        qCWarning(lcLanguage).noquote() << line;
    }
}

} // namespace

QString languageText(const QString &languageFile, const QString &currentLanguage, const QString &key)
{
    const std::optional<ProfileDocument> file = ProfileFile::load(languageFile);
    if (!file)
        return {};
    const QString language = SysMain::Trim(currentLanguage);
    if (const std::optional<QString> text = file->value(language, key))
        return SysMain::Trim(*text);
    if (language == FallbackLanguage) {
        sayOnce(QStringLiteral("%1 has no text for %2 in [English]").arg(languageFile, key));
        return {};
    }
    if (!file->hasSection(language))
        sayOnce(QStringLiteral("%1 has no section [%2]; the captions are shown in English").arg(languageFile, language));
    else
        sayOnce(QStringLiteral("%1 has no text for %2 in [%3]; it is shown in English").arg(languageFile, key, language));
    return SysMain::Trim(file->value(FallbackLanguage, key).value_or(QString()));
}

QString titleText(const QString &caption)
{
    // The Chinese captions carry their access key as "(&N)" after the text; it goes whole. Spelt
    // out rather than as a regular expression: this runs at start, and the expression engine
    // would be loaded for it alone.
    auto isOpen = [](QChar c) { return c == u'(' || c == u'\uFF08'; };
    auto isClose = [](QChar c) { return c == u')' || c == u'\uFF09'; };
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (i + 3 < caption.size() && isOpen(caption[i]) && caption[i + 1] == u'&' && caption[i + 2] != u'&'
            && isClose(caption[i + 3])) {
            i += 3;
            continue;
        }
        text += caption[i];
    }
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}
