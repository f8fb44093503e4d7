// SPDX-License-Identifier: MIT
#include "gui/language/Captions.h"

#include "gui/shell/Logging.h"
#include "gui/shell/MainControls.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/SettingsStore.h"
#include "core/state/AppState.h"
#include "core/upload/TransferLog.h"
#include "gui/tray/RunState.h"
#include "core/settings/Settings.h"
#include "core/settings/SysMain.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QWidget>

namespace {

const QString FallbackLanguage = QStringLiteral("English");

void sayOnce(const QString &line)
{
    static QSet<QString> said;
    if (!said.contains(line)) {
        said.insert(line);
        qCWarning(lcShell).noquote() << line;
    }
}

} // namespace

QString languageText(const AppState &state, const QString &key)
{
    return languageText(state.languageFile, state.language(), key);
}

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

Captions::Captions(QWidget *window, const MainControls &controls, AppState &state, SettingsStore &store,
                   TransferLog &log, const RunState &runState, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_c(controls)
    , m_state(state)
    , m_store(store)
    , m_log(log)
    , m_runState(runState)
{
}

void Captions::showLanguage()
{
    auto text = [this](const char *key) { return languageText(m_state, QLatin1StringView(key)); };

    m_c.mnuState->setText(m_runState.menuText());
    m_c.mnuShow->setText(text("Parameter"));
    m_c.mnuExit->setText(text("Exit"));
    m_window->setWindowTitle(titleText(text("Title")) + VersionSuffix);
    m_c.cmbExit->setText(text("Exit"));
    m_c.cmbMin->setText(text("Minimized"));
    m_c.cmbParameter->setText(text("Parameter"));
    m_c.cmbHistory->setText(text("History"));
    m_c.cmdUpLoad->setText(text("ManualUpload"));
    m_c.cmdUpLoad2->setText(text("YesterdayUpload"));
    m_c.frmDate->setTitle(text("UploadDate"));
    m_c.frmUpLoad->setTitle(text("ManualUploadSet"));
    m_c.lblUpFileName->setText(text("UploadFile"));
    m_c.lblLocalFileName->setText(text("LocalFile"));
    m_c.lblLocalPath->setText(text("LocalPath"));
    m_c.lblUpPath->setText(text("UploadPath"));
    m_c.lblUpServer->setText(text("UploadIP"));
    m_c.lblUpDate->setText(text("Yesterday"));
    m_c.lblCountSec->setText(text("Count"));
    m_c.lblLocalNo->setText(text("StationNo"));
    m_c.lblUpTime->setText(text("UploadTime"));
    m_c.frmUp->setTitle(text("AutoUploadInfo"));
    emit shown();
}

void Captions::switchTo(const QString &language)
{
    m_state.setLanguage(language);
    QString error;
    if (!m_store.saveLanguage(language, &error)) {
        // The captions change all the same; the next start comes up in the stored language.
        m_log.insertTop(QStringLiteral("Language %1 not stored: %2").arg(language, error));
    }
    showLanguage();
}
