// SPDX-License-Identifier: MIT
#include "core/app/StartProblem.h"

#include "core/language/BuiltInTexts.h"
#include "core/settings/SettingsStore.h"

#include <QDir>
#include <QFile>

namespace korva5 {

namespace {

using Problem = ProgramFiles::Problem;

const char *keyOf(Problem problem)
{
    switch (problem) {
    case Problem::SettingsMissing:
        return "StartSettingsMissing";
    case Problem::LanguageMissing:
        return "StartLanguageMissing";
    case Problem::SettingsUnreadable:
        return "StartSettingsUnreadable";
    case Problem::LanguageUnreadable:
        return "StartLanguageUnreadable";
    case Problem::None:
        break;
    }
    return nullptr;
}

bool isAboutSettings(Problem problem)
{
    return problem == Problem::SettingsMissing || problem == Problem::SettingsUnreadable;
}

} // namespace

namespace StartProblem {

QString language(const ProgramPaths &paths, Problem problem)
{
    // The start-up check reads the settings file first: past it, the file could be read.
    if (problem == Problem::None || isAboutSettings(problem))
        return QString::fromLatin1(BuiltInTexts::English);
    return SettingsStore(paths.iniFile).language();
}

QString reason(const ProgramPaths &paths, Problem problem)
{
    QFile file(isAboutSettings(problem) ? paths.iniFile : paths.languageFile);
    if (file.open(QIODevice::ReadOnly))
        return {}; // readable again by now
    return file.errorString();
}

Message message(const ProgramPaths &paths, Problem problem, const QString &language, const QString &reason)
{
    const char *key = keyOf(problem);
    if (!key)
        return {};
    const auto text = [&](const char *name) {
        return BuiltInTexts::text(language, QLatin1StringView(name)).value_or(QString());
    };
    // The folder as the file manager and the terminal show it, without a separator at its end.
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(paths.programDir));
    // Both at once: a folder whose name holds "%2" must stay as it is.
    const QString sentence = text(key);
    return {text("StartFailedTitle"),
            BuiltInTexts::placeholders(sentence).contains(u'2')
                ? sentence.arg(folder, reason.isEmpty() ? QStringLiteral("?") : reason)
                : sentence.arg(folder),
            text("Ok")};
}

} // namespace StartProblem

} // namespace korva5
