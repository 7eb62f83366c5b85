#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

class AppState;

// The program's only periodic work, run while the usage panel is shown: one refresh at
// once, then one each interval after the previous one finished. Restarted when the
// state's isConfigured changes; does nothing while not configured.
class RefreshLoop : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultInterval = std::chrono::seconds(300);

    explicit RefreshLoop(AppState* state, std::chrono::milliseconds interval = kDefaultInterval,
                         QObject* parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return m_running; }

private:
    void restart();
    void refreshNow();
    QCoro::Task<> runRefresh(quint64 generation);

    QPointer<AppState> m_state;
    QTimer m_timer;
    bool m_running = false;
    quint64 m_generation = 0; // bumped by stop(), so a refresh of an earlier run schedules nothing
};
