#include "TrayWaiter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define PALLOWE_HAS_XCB 1
#endif

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

#ifdef PALLOWE_HAS_XCB
xcb_connection_t* xcbConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}
#endif

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
    m_watcher = new QDBusServiceWatcher(kWatcherService, QDBusConnection::sessionBus(),
                                        QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayWaiter::check);
    m_poll.start();
    m_deadline.start();
    check();
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
#ifdef PALLOWE_HAS_XCB
    xcb_connection_t* connection = xcbConnection();
    if (!connection)
        return false;
    // The tray owns the selection _NET_SYSTEM_TRAY_S<screen>; Qt puts its item on screen 0.
    const QByteArray name = QByteArrayLiteral("_NET_SYSTEM_TRAY_S0");
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, true, name.size(), name.constData()), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t selection = atom->atom;
    free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    free(owner);
    return owned;
#else
    return false;
#endif
}

void TrayWaiter::check()
{
    if (statusNotifierHostRegistered() || xembedTrayPresent())
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
