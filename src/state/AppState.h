#pragma once

#include "PaceForecast.h"
#include "RefreshLoop.h"
#include "UsageHistory.h"
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
#include <chrono>
#include <memory>
#include <optional>

class HistoryWindowLauncher;
class LoginWindowLauncher;
class Notifier;
class ResetAlert;
class SettingsWindowLauncher;
class WakeWatcher;
struct StartupOptions;

// The one observable state of the program. Views read its properties and call its
// operations; every write of an equal value is silent except usage, which always notifies.
// The session key and organization id are not kept here: each operation reads them from the
// credential store when it needs them. Only a session the store could not take is held, for
// this run, while the file holds no usable session of its own.
// A reply is applied only while the session it was asked for is still the one in use.
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
    Q_PROPERTY(bool isSessionUnsaved READ isSessionUnsaved NOTIFY isSessionUnsavedChanged)

public:
    // What the state works through, put together by the program's composition root. The
    // stores and the service become the state's own; the rest is borrowed for the state's
    // life, and the notifier and the window launchers may be null (nothing is posted, no
    // window opens).
    struct Parts
    {
        CredentialStore credentials;
        SettingsStore settingsStore;
        HistoryStore history;
        std::unique_ptr<ZelvikApiService> api;
        std::chrono::milliseconds refreshInterval = RefreshLoop::kDefaultInterval;
        Notifier* notifier = nullptr;
        LoginWindowLauncher* loginWindows = nullptr;
        SettingsWindowLauncher* settingsWindows = nullptr;
        HistoryWindowLauncher* historyWindows = nullptr;
        QList<WakeWatcher*> wakeWatchers = {}; // resume from suspend, network back
    };

    // Loads the settings and stores the command line's session as a hand-over would; the
    // rest of the command line is the root's to apply.
    AppState(Parts parts, const StartupOptions& commandLine, QObject* parent = nullptr);
    ~AppState() override;

    const std::optional<UsageResponse>& usage() const { return m_usage; }
    std::optional<QString> orgName() const { return m_orgName; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> error() const { return m_error; }
    std::optional<QDateTime> lastUpdated() const { return m_lastUpdated; }
    bool isConfigured() const { return m_isConfigured; }
    AppSettings settings() const { return m_settings; }
    qint64 menuBarPercent() const;
    // The session in use could not be stored: it lasts until the program ends.
    bool isSessionUnsaved() const { return m_unsaved.has_value(); }

    void setSettings(const AppSettings& settings);
    // Applies the settings, then stores them in settings.json. When the file cannot take
    // them they still apply for the rest of the run, and the text that tells the user so
    // comes back.
    std::optional<QString> saveSettings(const AppSettings& settings);

    const SettingsStore& settingsStore() const { return m_settingsStore; }
    const CredentialStore& credentialStore() const { return m_credentials; }

    // The one refresh loop of the run; the usage panel tells it when it is shown.
    RefreshLoop* refreshLoop() const { return m_refreshLoop; }
    // Readings of this session's successful refreshes, and with the history on those of
    // earlier runs.
    const PaceForecast& paceForecast() const { return m_paceForecast; }
    // Written only while the settings keep a history.
    UsageHistory* history() const { return m_history; }
    // The stored readings of the session in use, for the history window; none without one.
    Expected<QList<HistoryReading>, QString> historyReadings(const QDateTime& now);

    // Stores a session given on a command line, this start's or a later one's handed over,
    // when it has both a key and an organization id; then reads the store back. False when
    // the session could not be stored (it is then used for this run only).
    QCoro::Task<bool> applyCommandLineSession(StartupOptions options);

    // Fetches the usage report of the stored session and applies whatever comes back.
    QCoro::Task<> refresh();
    void startOAuthLogin();
    // The same, but the sign-in window first forgets the account it remembers.
    void startOtherAccountLogin();
    void logout();
    void openSettings();
    void openHistory();

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
    void isSessionUnsavedChanged();
    // A session given on a command line or found by a sign-in replaced the one in use.
    void sessionReplaced();
    // The sign-in window could not be opened; error says so.
    void loginWindowFailed();

private:
    void openLoginWindow(bool anotherAccount);
    using Session = CredentialStore::Session;
    enum class Replacement
    {
        Stored,
        KeptInMemory, // the store could not take it
        Superseded,   // a later session or a sign-out came first
    };
    // The session that went in use when the store could not take it, and what the file held
    // then, which it overrides.
    struct UnsavedSession
    {
        Session session;
        std::optional<Session> overridden;
    };

    QCoro::Task<> completeLogin(QString sessionKey);
    QCoro::Task<> completeLoginAndRelease(QString sessionKey);
    void checkAlerts();
    // With the history on: the forecast from the stored readings of the session in use, and,
    // while no report is shown, the last one while its five-hour window runs.
    void restoreFromHistory();
    Expected<QList<HistoryReading>, QString> readingsOf(const CredentialStore::Session& session,
                                                        const QDateTime& now) const;

    std::optional<Session> currentSession();
    void readBackSession();
    QCoro::Task<Replacement> replaceSession(Session session, quint64 change);
    void useSession(const Session& session, bool stored);
    // False when the stored session could not be deleted.
    bool endSession();
    void abandonRequests();
    void forgetReport();
    void finishOperation(bool applied);

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
    std::optional<Session> m_reportSession; // whose report usage is
    std::optional<UnsavedSession> m_unsaved;
    // Hand-overs, sign-ins and sign-outs are numbered as they come; a later one wins.
    quint64 m_sessionChanges = 0;
    quint64 m_appliedSessionChange = 0;
    int m_operations = 0; // refreshes and sign-in completions in flight
    // Requests of the session in use; destroyed with it, which abandons them.
    std::unique_ptr<QObject> m_requestScope = std::make_unique<QObject>();

    CredentialStore m_credentials;
    SettingsStore m_settingsStore;
    UsageHistory* m_history; // a child
    ZelvikApiService* m_api; // a child, so that it goes after the requests it serves
    Notifier* m_notifier;
    LoginWindowLauncher* m_loginWindows;
    SettingsWindowLauncher* m_settingsWindows;
    HistoryWindowLauncher* m_historyWindows;
    std::shared_ptr<WindowController> m_loginWindowCtrl;
    std::shared_ptr<WindowController> m_settingsWindowCtrl;
    std::shared_ptr<WindowController> m_historyWindowCtrl;
    RefreshLoop* m_refreshLoop = nullptr;
    ResetAlert* m_resetAlert = nullptr;
};
