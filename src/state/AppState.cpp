#include "AppState.h"

#include "HistoryWindowLauncher.h"
#include "LoginWindowLauncher.h"
#include "Notifier.h"
#include "ResetAlert.h"
#include "SettingsWindowLauncher.h"
#include "StartupOptions.h"

#include <QDir>
#include <QPointer>
#include <limits>

namespace {

const QString kSessionExpired = QStringLiteral("Sessione scaduta — accedi di nuovo.");
const QString kSessionNotDeleted =
    QStringLiteral("Impossibile eliminare la sessione salvata: elimina a mano %1.");
const QString kCannotOpenLoginWindow = QStringLiteral("Impossibile aprire la finestra di accesso.");
const QString kCannotSaveSettings = QStringLiteral(
    "Impossibile salvare le impostazioni: %1. Restano in uso fino alla chiusura di Pallowe.");

// Canonically equivalent texts are the same text ("é" precomposed or not).
bool sameText(const std::optional<QString>& a, const std::optional<QString>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || a->normalized(QString::NormalizationForm_C) ==
                     b->normalized(QString::NormalizationForm_C);
}

} // namespace

AppState::AppState(Parts parts, const StartupOptions& commandLine, QObject* parent)
    : QObject(parent), m_paceForecast(RefreshLoop::timeScaleOf(parts.refreshInterval)),
      m_credentials(std::move(parts.credentials)), m_settingsStore(std::move(parts.settingsStore)),
      m_history(new UsageHistory(std::move(parts.history), this)), m_api(parts.api.release()),
      m_notifier(parts.notifier), m_loginWindows(parts.loginWindows),
      m_settingsWindows(parts.settingsWindows), m_historyWindows(parts.historyWindows)
{
    m_api->setParent(this);
    m_settings = m_settingsStore.load();
    readBackSession();
    restoreFromHistory();
    // What went wrong with a history the user no longer keeps is no longer news.
    connect(this, &AppState::settingsChanged, m_history, [this] {
        if (!m_settings.keepHistory)
            m_history->forgetFailure();
    });
    // Done before the constructor returns unless another process holds the lock.
    if (commandLine.sessionKey && commandLine.orgId)
        applyCommandLineSession(commandLine);

    // Last: the loop follows the state from where construction left it.
    m_refreshLoop = new RefreshLoop(this, parts.refreshInterval, this);
    for (WakeWatcher* watcher : parts.wakeWatchers)
        m_refreshLoop->addWakeWatcher(watcher);
    m_resetAlert = new ResetAlert(this, m_refreshLoop, m_notifier, this);
}

AppState::~AppState() = default;

QCoro::Task<bool> AppState::applyCommandLineSession(StartupOptions options)
{
    if (!options.sessionKey || !options.orgId) {
        readBackSession();
        co_return true;
    }
    // Named, not braced in the call: GCC 12 destroys a braced temporary of a co_await twice.
    const Session session{*options.sessionKey, *options.orgId, options.orgName};
    const auto replaced = co_await replaceSession(session, ++m_sessionChanges);
    co_return replaced != Replacement::KeptInMemory;
}

std::optional<CredentialStore::Session> AppState::currentSession()
{
    const auto stored = m_credentials.sessionToRefresh();
    if (!m_unsaved)
        return stored;
    const auto& overridden = m_unsaved->overridden;
    if (!stored || (overridden && stored->isSameAs(*overridden)))
        return m_unsaved->session;
    // Someone stored a session of their own since: the file speaks again.
    m_unsaved.reset();
    emit isSessionUnsavedChanged();
    return stored;
}

void AppState::readBackSession()
{
    const auto session = currentSession();
    setConfigured(session && !session->orgId.isEmpty());
    setOrgName(session ? session->orgName : m_credentials.orgName());
}

QCoro::Task<AppState::Replacement> AppState::replaceSession(Session session, quint64 change)
{
    QPointer<AppState> self(this);
    const auto stillWanted = [self, change] {
        return self && self->m_appliedSessionChange < change;
    };
    if (!stillWanted())
        co_return Replacement::Superseded;
    const bool stored = co_await m_credentials.storeSession(session, stillWanted);
    if (!stillWanted())
        co_return Replacement::Superseded;
    m_appliedSessionChange = change;
    useSession(session, stored);
    co_return stored ? Replacement::Stored : Replacement::KeptInMemory;
}

void AppState::useSession(const Session& session, bool stored)
{
    const bool wasUnsaved = isSessionUnsaved();
    m_unsaved.reset();
    // A session without a key could never be refreshed: it is not worth keeping.
    if (!stored && !session.sessionKey.isEmpty())
        m_unsaved = UnsavedSession{session, m_credentials.sessionToRefresh()};
    if (wasUnsaved != isSessionUnsaved())
        emit isSessionUnsavedChanged();
    abandonRequests();
    // Another session's report is not this one's, not even as a last known state.
    const bool another = !m_reportSession || !m_reportSession->isSameAs(session);
    if (another)
        forgetReport();
    readBackSession();
    if (another)
        restoreFromHistory();
    emit sessionReplaced();
}

bool AppState::endSession()
{
    const bool cleared = m_credentials.clear();
    if (m_unsaved) {
        m_unsaved.reset();
        emit isSessionUnsavedChanged();
    }
    abandonRequests();
    return cleared;
}

void AppState::abandonRequests()
{
    m_requestScope = std::make_unique<QObject>();
}

void AppState::forgetReport()
{
    m_reportSession.reset();
    m_paceForecast.clear();
    setUsage(std::nullopt);
    setLastUpdated(std::nullopt);
}

void AppState::finishOperation(bool applied)
{
    --m_operations;
    // A reply that came too late must not end the wait of one still in flight.
    if (applied || m_operations == 0)
        setLoading(false);
}

qint64 AppState::menuBarPercent() const
{
    return m_usage ? m_usage->headlinePercent() : 0;
}

QCoro::Task<> AppState::refresh()
{
    const auto session = currentSession();
    if (!session) {
        setConfigured(false);
        co_return;
    }
    setLoading(true);
    setError(std::nullopt);

    QPointer<AppState> self(this);
    QPointer<QObject> scope = m_requestScope.get();
    ++m_operations;
    const auto result = co_await m_api->fetchUsage(session->sessionKey, session->orgId, scope);
    if (!self)
        co_return;
    const auto current = currentSession();
    if (!scope || !current || !current->isSameAs(*session)) {
        finishOperation(false);
        co_return;
    }
    if (result) {
        const QDateTime now = QDateTime::currentDateTime();
        m_paceForecast.record(result.value(), now); // first, so views find it current
        m_reportSession = session;
        setUsage(result.value());
        setOrgName(current->orgName);
        setLastUpdated(now);
        checkAlerts();
        m_resetAlert->followReading(m_lastNotifiedThreshold);
        if (m_settings.keepHistory)
            m_history->record(current->orgId, {now.toUTC(), result.value()});
    } else if (isInvalidSession(result.error())) {
        setConfigured(false);
        endSession();
        setError(kSessionExpired);
    } else {
        setError(userFacingText(result.error()));
    }
    finishOperation(true);
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
    if (!m_loginWindows)
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
    m_loginWindowCtrl = m_loginWindows->show({onAuthenticated, onCannotOpen, anotherAccount});
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
    const quint64 change = ++m_sessionChanges;
    setLoading(true);
    setError(std::nullopt);

    QPointer<AppState> self(this);
    ++m_operations;
    const auto org = co_await m_api->fetchOrgInfo(sessionKey);
    if (!self)
        co_return;
    if (m_appliedSessionChange > change) { // a later session or a sign-out came first
        finishOperation(false);
        co_return;
    }
    if (!org) {
        setError(userFacingText(org.error()));
        finishOperation(true);
        co_return;
    }
    const Session session{sessionKey, org->uuid, org->name}; // named: see above
    const auto replaced = co_await replaceSession(session, change);
    if (!self)
        co_return;
    if (replaced == Replacement::Superseded) {
        finishOperation(false);
        co_return;
    }
    setConfigured(true);
    co_await refresh();
    if (self) // the refresh has said whether it is still loading
        finishOperation(false);
}

void AppState::logout()
{
    m_appliedSessionChange = ++m_sessionChanges;
    const bool cleared = endSession();
    m_reportSession.reset();
    setUsage(std::nullopt);
    setOrgName(std::nullopt);
    setConfigured(false);
    // Signed out for this run either way; the user must know the key is still on disk.
    setError(cleared ? std::nullopt
                     : std::optional(kSessionNotDeleted.arg(
                           QDir::toNativeSeparators(m_credentials.filePath()))));
}

void AppState::openSettings()
{
    if (m_settingsWindows)
        m_settingsWindowCtrl = m_settingsWindows->show(this);
}

void AppState::openHistory()
{
    if (m_historyWindows)
        m_historyWindowCtrl = m_historyWindows->show(this);
}

Expected<QList<HistoryReading>, QString> AppState::historyReadings(const QDateTime& now)
{
    if (!m_settings.keepHistory) // nothing is opened while the history is off
        return QList<HistoryReading>();
    const auto session = currentSession();
    return session ? readingsOf(*session, now) : QList<HistoryReading>();
}

Expected<QList<HistoryReading>, QString>
AppState::readingsOf(const CredentialStore::Session& session, const QDateTime& now) const
{
    if (session.orgId.isEmpty())
        return QList<HistoryReading>();
    return m_history->recentReadings(session.orgId, now);
}

void AppState::restoreFromHistory()
{
    if (!m_settings.keepHistory)
        return;
    const auto session = currentSession();
    if (!session)
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto readings = readingsOf(*session, now);
    if (!readings) // a file that cannot be read says so at the next write
        return;
    m_paceForecast.restore(*readings, now);
    const auto last = UsageHistory::stillCurrent(*readings, now);
    if (!last || m_usage)
        return;
    m_reportSession = session;
    setUsage(last->usage);
    setLastUpdated(last->fetchedAt.toLocalTime());
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
    if (m_notifier)
        m_notifier->post(
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

std::optional<QString> AppState::saveSettings(const AppSettings& settings)
{
    setSettings(settings);
    QString failure;
    if (m_settingsStore.save(settings, &failure))
        return std::nullopt;
    return kCannotSaveSettings.arg(failure);
}
