#pragma once

#include "PaceForecast.h"
#include "RefreshLoop.h"
#include "WindowController.h"
#include "model/UsageResponse.h"
#include "service/ZelvikApiService.h"
#include "storage/AppSettings.h"
#include "storage/CredentialStore.h"
#include "storage/SettingsStore.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

class LoginWindowLauncher;
class Notifier;
class SettingsWindowLauncher;
class WakeWatcher;
struct StartupOptions;

// The one observable state of the program. Views read its properties and call its
// operations; every write of an equal value is silent except usage, which always notifies.
// The session key and organization id are never kept here: each operation reads them from
// the credential store when it needs them.
class AppState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<UsageResponse> usage READ usage NOTIFY usageChanged)
    Q_PROPERTY(std::optional<QString> orgName READ orgName NOTIFY orgNameChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(std::optional<QDateTime> lastUpdated READ lastUpdated NOTIFY lastUpdatedChanged)
    Q_PROPERTY(bool isConfigured READ isConfigured NOTIFY isConfiguredChanged)
    Q_PROPERTY(AppSettings settings READ settings WRITE setSettings NOTIFY settingsChanged)
    Q_PROPERTY(qint64 menuBarPercent READ menuBarPercent NOTIFY usageChanged)

public:
    // The desktop services the state reaches through interfaces; any may be null.
    struct Services
    {
        QString dataFolder; // where credentials.json and settings.json live
        Notifier* notifier = nullptr;
        LoginWindowLauncher* loginWindows = nullptr;
        SettingsWindowLauncher* settingsWindows = nullptr;
        // "--refresh-interval=" overrides it.
        std::chrono::milliseconds refreshInterval = RefreshLoop::kDefaultInterval;
        QList<WakeWatcher*> wakeWatchers = {}; // resume from suspend, network back
    };

    AppState(const QStringList& arguments, const Services& services, QObject* parent = nullptr);
    ~AppState() override;

    const std::optional<UsageResponse>& usage() const { return m_usage; }
    std::optional<QString> orgName() const { return m_orgName; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> error() const { return m_error; }
    std::optional<QDateTime> lastUpdated() const { return m_lastUpdated; }
    bool isConfigured() const { return m_isConfigured; }
    AppSettings settings() const { return m_settings; }
    qint64 menuBarPercent() const;

    void setSettings(const AppSettings& settings);

    QString serviceOrigin() const { return m_api->baseUrl(); }
    const SettingsStore& settingsStore() const { return m_settingsStore; }
    const CredentialStore& credentialStore() const { return m_credentials; }
    void setWindowLaunchers(LoginWindowLauncher* login, SettingsWindowLauncher* settings);

    // The one refresh loop of the run; the usage panel tells it when it is shown.
    RefreshLoop* refreshLoop() const { return m_refreshLoop; }
    // Readings of this session's successful refreshes, in memory only.
    const PaceForecast& paceForecast() const { return m_paceForecast; }

    // Stores a session given on a command line, this start's or a later one's handed over,
    // when it has both a key and an organization id; then reads the store back.
    void applyCommandLineSession(const StartupOptions& options);

    // Fetches the usage report of the stored session and applies whatever comes back.
    QCoro::Task<> refresh();
    void startOAuthLogin();
    // The same, but the sign-in window first forgets the account it remembers.
    void startOtherAccountLogin();
    void logout();
    void openSettings();

    // The sign-in window the state holds while a sign-in is under way, for inspection.
    const WindowController* loginWindowController() const { return m_loginWindowCtrl.get(); }
    const WindowController* settingsWindowController() const { return m_settingsWindowCtrl.get(); }

signals:
    void usageChanged();
    void orgNameChanged();
    void isLoadingChanged();
    void errorChanged();
    void lastUpdatedChanged();
    void isConfiguredChanged();
    void settingsChanged();
    // A session given on a command line replaced the stored one.
    void sessionReplaced();
    // The sign-in window could not be opened; error says so.
    void loginWindowFailed();

private:
    void openLoginWindow(bool anotherAccount);
    QCoro::Task<> completeLogin(QString sessionKey);
    QCoro::Task<> completeLoginAndRelease(QString sessionKey);
    void checkAlerts();

    void setUsage(const std::optional<UsageResponse>& usage);
    void setOrgName(const std::optional<QString>& orgName);
    void setLoading(bool loading);
    void setError(const std::optional<QString>& error);
    void setLastUpdated(const std::optional<QDateTime>& lastUpdated);
    void setConfigured(bool configured);

    std::optional<UsageResponse> m_usage;
    std::optional<QString> m_orgName;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    std::optional<QDateTime> m_lastUpdated;
    bool m_isConfigured = false;
    AppSettings m_settings;
    qint64 m_lastNotifiedThreshold = 0;
    PaceForecast m_paceForecast;

    CredentialStore m_credentials;
    SettingsStore m_settingsStore;
    ZelvikApiService* m_api = nullptr;
    Services m_services;
    std::shared_ptr<WindowController> m_loginWindowCtrl;
    std::shared_ptr<WindowController> m_settingsWindowCtrl;
    RefreshLoop* m_refreshLoop = nullptr;
};
