#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class QDBusServiceWatcher;

// Waits until the desktop has somewhere to put a tray item: a StatusNotifierItem host on
// the session bus, or an XEmbed tray on the X display. Qt decides once per run which kind
// of tray it uses, the first time anyone asks it, so this never asks Qt: creating the tray
// item before either kind is there would leave it invisible for the whole run.
class TrayWaiter : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds kDefaultTimeout{30};
    static constexpr std::chrono::milliseconds kPollInterval{500};

    explicit TrayWaiter(std::chrono::milliseconds timeout = kDefaultTimeout,
                        QObject* parent = nullptr);

    // Emits trayAvailable (at once when a tray is already there) or timedOut, exactly once.
    void start();

    static bool statusNotifierHostRegistered();
    static bool xembedTrayPresent();

signals:
    void trayAvailable();
    void timedOut();

private:
    void check();
    void finish(bool available);

    QTimer m_poll;
    QTimer m_deadline;
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_finished = false;
};
