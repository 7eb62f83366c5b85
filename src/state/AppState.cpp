#include "AppState.h"

#include "LoginWindowLauncher.h"
#include "Notifier.h"
#include "SettingsWindowLauncher.h"
#include "StartupOptions.h"

#include <QPointer>
#include <cstdio>
#include <limits>

namespace {

const QString kSessionExpired = QStringLiteral("Sessione scaduta — accedi di nuovo.");
const QString kCannotOpenLoginWindow = QStringLiteral("Impossibile aprire la finestra di accesso.");

// Canonically equivalent texts are the same text ("é" precomposed or not).
bool sameText(const std::optional<QString>& a, const std::optional<QString>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || a->normalized(QString::NormalizationForm_C) ==
                     b->normalized(QString::NormalizationForm_C);
}

QString originFrom(const StartupOptions& options)
{
    for (const QString& warning : options.warnings)
        std::fprintf(stderr, "%s\n", qPrintable(warning));
    return options.serviceOrigin.value_or(ZelvikApiService::kDefaultOrigin);
}

std::chrono::milliseconds intervalFrom(const StartupOptions& options,
                                       const AppState::Services& services)
{
    if (options.refreshInterval)
        return *options.refreshInterval;
    return services.refreshInterval;
}

// How much faster than the standard interval the loop runs: the forecast's spans follow it.
double timeScaleOf(std::chrono::milliseconds interval)
{
    return double(interval.count()) / double(RefreshLoop::kDefaultInterval.count());
}

} // namespace

AppState::AppState(const QStringList& arguments, const Services& services, QObject* parent)
    : QObject(parent), m_credentials(services.dataFolder), m_settingsStore(services.dataFolder),
      m_services(services)
{
    m_settings = m_settingsStore.load();
    const StartupOptions options = StartupOptions::parse(arguments);
    m_api = new ZelvikApiService(originFrom(options), this);
    applyCommandLineSession(options);

    const auto interval = intervalFrom(options, services);
    m_paceForecast = PaceForecast(timeScaleOf(interval));
    m_refreshLoop = new RefreshLoop(this, interval, this);
    for (WakeWatcher* watcher : services.wakeWatchers)
        m_refreshLoop->addWakeWatcher(watcher);
}

AppState::~AppState() = default;

void AppState::setWindowLaunchers(LoginWindowLauncher* login, SettingsWindowLauncher* settings)
{
    m_services.loginWindows = login;
    m_services.settingsWindows = settings;
}

void AppState::applyCommandLineSession(const StartupOptions& options)
{
    if (options.sessionKey && options.orgId) {
        m_credentials.storeSession(*options.sessionKey, *options.orgId, options.orgName);
        m_paceForecast.clear(); // the new session's pace is its own
        emit sessionReplaced();
    }
    setConfigured(m_credentials.hasCredentials());
    setOrgName(m_credentials.orgName());
}

qint64 AppState::menuBarPercent() const
{
    return m_usage ? m_usage->headlinePercent() : 0;
}

QCoro::Task<> AppState::refresh()
{
    const auto sessionKey = m_credentials.sessionKey();
    const auto orgId = m_credentials.orgId();
    if (!sessionKey || !orgId || sessionKey->isEmpty()) {
        setConfigured(false);
        co_return;
    }
    setLoading(true);
    setError(std::nullopt);

    QPointer<AppState> self(this);
    const auto result = co_await m_api->fetchUsage(*sessionKey, *orgId);
    if (!self)
        co_return;

    if (result) {
        const QDateTime now = QDateTime::currentDateTime();
        m_paceForecast.record(result.value(), now); // first, so views find it current
        setUsage(result.value());
        setOrgName(m_credentials.orgName());
        setLastUpdated(now);
        checkAlerts();
    } else if (isInvalidSession(result.error())) {
        setConfigured(false);
        m_credentials.clear();
        setError(kSessionExpired);
    } else {
        setError(userFacingText(result.error()));
    }
    setLoading(false);
}

void AppState::startOAuthLogin()
{
    openLoginWindow(false);
}

void AppState::startOtherAccountLogin()
{
    openLoginWindow(true);
}

void AppState::openLoginWindow(bool anotherAccount)
{
    setError(std::nullopt);
    if (!m_services.loginWindows)
        return;
    QPointer<AppState> self(this);
    // Both callbacks may come from inside the launcher or the window, which the state may be
    // about to release: they act once the call is over.
    const auto onAuthenticated = [self](const QString& sessionKey) {
        if (self)
            QMetaObject::invokeMethod(
                self, [self, sessionKey] { self->completeLoginAndRelease(sessionKey); },
                Qt::QueuedConnection);
    };
    const auto onCannotOpen = [self] {
        if (self)
            QMetaObject::invokeMethod(
                self,
                [self] {
                    self->setError(kCannotOpenLoginWindow);
                    emit self->loginWindowFailed();
                },
                Qt::QueuedConnection);
    };
    m_loginWindowCtrl =
        m_services.loginWindows->show({onAuthenticated, onCannotOpen, anotherAccount});
}

QCoro::Task<> AppState::completeLoginAndRelease(QString sessionKey)
{
    QPointer<AppState> self(this);
    co_await completeLogin(sessionKey);
    if (self)
        m_loginWindowCtrl.reset();
}

QCoro::Task<> AppState::completeLogin(QString sessionKey)
{
    setLoading(true);
    setError(std::nullopt);

    QPointer<AppState> self(this);
    const auto org = co_await m_api->fetchOrgInfo(sessionKey);
    if (!self)
        co_return;
    if (!org) {
        setError(userFacingText(org.error()));
        setLoading(false);
        co_return;
    }
    m_credentials.storeSession(sessionKey, org->uuid, org->name);
    m_paceForecast.clear();
    setOrgName(org->name);
    setConfigured(true);
    co_await refresh();
    if (self)
        setLoading(false);
}

void AppState::logout()
{
    m_credentials.clear();
    setUsage(std::nullopt);
    setOrgName(std::nullopt);
    setConfigured(false);
    setError(std::nullopt);
}

void AppState::openSettings()
{
    if (m_services.settingsWindows)
        m_settingsWindowCtrl = m_services.settingsWindows->show(this);
}

void AppState::checkAlerts()
{
    if (!m_settings.alertEnabled || !m_usage)
        return;
    const qint64 percent = menuBarPercent();
    const qint64 threshold = m_settings.alertThresholdPercent;
    if (percent < threshold) {
        m_lastNotifiedThreshold = 0;
        return;
    }
    if (m_lastNotifiedThreshold >= threshold)
        return;
    m_lastNotifiedThreshold = threshold;
    if (m_services.notifier)
        m_services.notifier->post(
            QStringLiteral("pallowe-alert-%1").arg(threshold), QStringLiteral("Pallowe"),
            QStringLiteral("Utilizzo al %1% — soglia %2% raggiunta.").arg(percent).arg(threshold));
}

void AppState::setUsage(const std::optional<UsageResponse>& usage)
{
    m_usage = usage;
    emit usageChanged();
}

void AppState::setOrgName(const std::optional<QString>& orgName)
{
    const bool changed = !sameText(m_orgName, orgName);
    m_orgName = orgName;
    if (changed)
        emit orgNameChanged();
}

void AppState::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    emit isLoadingChanged();
}

void AppState::setError(const std::optional<QString>& error)
{
    const bool changed = !sameText(m_error, error);
    m_error = error;
    if (changed)
        emit errorChanged();
}

void AppState::setLastUpdated(const std::optional<QDateTime>& lastUpdated)
{
    if (m_lastUpdated == lastUpdated)
        return;
    m_lastUpdated = lastUpdated;
    emit lastUpdatedChanged();
}

void AppState::setConfigured(bool configured)
{
    if (m_isConfigured == configured)
        return;
    m_isConfigured = configured;
    if (!configured)
        m_paceForecast.clear();
    emit isConfiguredChanged();
}

void AppState::setSettings(const AppSettings& settings)
{
    if (m_settings == settings)
        return;
    m_settings = settings;
    emit settingsChanged();
}
