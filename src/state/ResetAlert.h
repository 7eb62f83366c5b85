#pragma once

#include "model/UsageWindow.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <optional>

class AppState;
class Notifier;
class RefreshLoop;

// The opt-in notice that the session is back. While the five-hour window stands at or above
// the alert threshold, one refresh is armed for just after its reset; the first reading that
// finds the window below the threshold again is announced once, in place of the threshold
// alert it follows. Nothing is armed while the setting or the alerts are off.
class ResetAlert : public QObject
{
    Q_OBJECT

public:
    // How long after the announced reset the refresh goes out, so the service has reset by
    // then. Like the forecast's spans, it shrinks with a shortened refresh interval (demo,
    // tests); a longer one leaves it as it is.
    static constexpr std::chrono::milliseconds kGrace = std::chrono::seconds(5);
    // A reading taken after the reset that still shows the full window (the service rolled
    // over late, or this clock runs ahead of its) is asked again after twice, four times...
    // the grace, but never sooner than a second, this many times: five minutes in all.
    static constexpr int kLateResetTries = 5;
    static constexpr std::chrono::milliseconds kLateResetShortestWait = std::chrono::seconds(1);

    ResetAlert(AppState* state, RefreshLoop* loop, Notifier* notifier, QObject* parent = nullptr);

    // After a successful refresh, once the threshold alert has had its say; alertOnScreen is
    // the threshold of the alert last posted, 0 when none is.
    void followReading(qint64 alertOnScreen);

private:
    bool isOn() const;
    void followSettings();
    void follow(bool announce);
    void await(const UsageWindow& window);
    void cancel();
    std::chrono::milliseconds grace() const;

    AppState* m_state;
    RefreshLoop* m_loop;
    Notifier* m_notifier;
    qint64 m_alertOnScreen = 0;
    // Set while a reset is awaited: the identifier of the alert the notice takes the place of.
    std::optional<QString> m_followedAlert;
    int m_lateResetTries = 0;
};
