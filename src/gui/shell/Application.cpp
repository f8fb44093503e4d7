// SPDX-License-Identifier: MIT
#include "gui/shell/Application.h"

#include "core/app/ProgramFiles.h"
#include "gui/shell/Logging.h"

#include <utility>

namespace korva5 {

Application::Application(Environment environment)
    : m_env(std::move(environment))
    , m_station(ProgramPaths::in(m_env.programDir), *m_env.clock, m_env.ticks)
    , m_window(m_station, {m_env.clock, m_env.tray, m_env.hideAfter})
{
    Q_ASSERT(m_env.clock);
}

Application::~Application() = default;

Application::LoadResult Application::load()
{
    const LoadResult result = prepare();
    if (result == LoadResult::Loaded)
        startServices();
    return result;
}

Application::LoadResult Application::prepare()
{
    switch (m_instance.acquire(m_env.programDir)) {
    case SingleInstance::Result::Locked:
        break;
    case SingleInstance::Result::HeldByAnotherCopy:
        return LoadResult::AlreadyRunning;
    case SingleInstance::Result::Unavailable:
        // A file missing or unreadable is said first, with its box and its remedy: a user outside
        // the program folder's group meets the settings file it may not read before the guard.
        if (const LoadResult files = checkFiles(); files != LoadResult::Loaded)
            return files;
        return LoadResult::LockUnavailable;
    }
    if (const LoadResult files = checkFiles(); files != LoadResult::Loaded)
        return files;
    m_station.loadSettings();
    m_window.prepare();
    qCInfo(lcShell).noquote() << "started in" << m_station.paths().programDir;
    return LoadResult::Loaded;
}

Application::LoadResult Application::checkFiles() const
{
    switch (ProgramFiles::check(m_station.paths())) {
    case ProgramFiles::Problem::None:
        return LoadResult::Loaded;
    case ProgramFiles::Problem::SettingsMissing:
        return LoadResult::SettingsMissing;
    case ProgramFiles::Problem::LanguageMissing:
        return LoadResult::LanguageMissing;
    case ProgramFiles::Problem::SettingsUnreadable:
        return LoadResult::SettingsUnreadable;
    case ProgramFiles::Problem::LanguageUnreadable:
        return LoadResult::LanguageUnreadable;
    }
    return LoadResult::Loaded;
}

void Application::startServices()
{
    // Not after an ending that came first (a signal right at start), and not twice.
    if (m_window.isEnding() || m_servicesStarted)
        return;
    m_servicesStarted = true;
    // Only the lock's holder watches the request folder, so whatever lies there is its to answer.
    // A second start waits for the folder to be there.
    m_channel = std::make_unique<InstanceChannel>();
    connect(m_channel.get(), &InstanceChannel::showRequested, &m_window, &MainWindow::showWindow);
    m_channel->listen(m_env.programDir, m_instance.folder());
    m_window.startServices();
    m_station.startServices();
}

} // namespace korva5
