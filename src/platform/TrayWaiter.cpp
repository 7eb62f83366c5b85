#include "TrayWaiter.h"

#include "X11Selection.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

TrayWaiter::TrayWaiter(std::chrono::milliseconds timeout, QObject* parent) : QObject(parent)
{
    m_poll.setInterval(kPollInterval);
    connect(&m_poll, &QTimer::timeout, this, &TrayWaiter::check);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(timeout);
    connect(&m_deadline, &QTimer::timeout, this, [this] { finish(false); });
}

void TrayWaiter::start()
{
    m_finished = false;
    check();
    if (m_finished)
        return;
    m_watcher = new QDBusServiceWatcher(kWatcherService, QDBusConnection::sessionBus(),
                                        QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayWaiter::check);
    m_poll.start();
    m_deadline.start();
}

bool TrayWaiter::statusNotifierHostRegistered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcherService))
        return false;
    QDBusInterface watcher(kWatcherService, kWatcherPath, kWatcherService, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

bool TrayWaiter::xembedTrayPresent()
{
    // The tray owns the selection _NET_SYSTEM_TRAY_S<screen>; Qt puts its item on screen 0.
    return X11Selection::isOwned("_NET_SYSTEM_TRAY_S0");
}

void TrayWaiter::check()
{
    // The X server answers in one round trip; the bus question takes several.
    if (xembedTrayPresent() || statusNotifierHostRegistered())
        finish(true);
}

void TrayWaiter::finish(bool available)
{
    if (m_finished)
        return;
    m_finished = true;
    m_poll.stop();
    m_deadline.stop();
    if (m_watcher)
        m_watcher->deleteLater(); // its own signal may be what brought us here
    m_watcher = nullptr;
    // Queued, so a caller connecting after start() still hears it.
    QMetaObject::invokeMethod(this, available ? &TrayWaiter::trayAvailable : &TrayWaiter::timedOut,
                              Qt::QueuedConnection);
}
