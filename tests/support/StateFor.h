#pragma once

#include "state/AppState.h"
#include "state/StartupOptions.h"

#include <QStringList>
#include <functional>
#include <memory>

// The state the program's root would build for these arguments and data folder, with the
// parts the test plays (windows, notifier, watchers, a shorter interval) put in by adjust.
inline std::unique_ptr<AppState> stateFor(const QStringList& arguments, const QString& dataFolder,
                                          const std::function<void(AppState::Parts&)>& adjust = {})
{
    const StartupOptions options = StartupOptions::parse(arguments);
    AppState::Parts parts{
        .credentials = CredentialStore(dataFolder),
        .settingsStore = SettingsStore(dataFolder),
        .history = HistoryStore(dataFolder),
        .api = std::make_unique<ZelvikApiService>(options.serviceOriginOrDefault()),
        .refreshInterval = options.refreshIntervalOrDefault(),
    };
    if (adjust)
        adjust(parts);
    return std::make_unique<AppState>(std::move(parts), options);
}
