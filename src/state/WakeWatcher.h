#pragma once

#include <QObject>

// Tells the refresh loop that a refresh may have come due while nothing could run: the
// computer woke from suspend, or the network came back. Watching starts only when a loop
// first runs, so a program that never refreshes never listens.
class WakeWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void watch() = 0;

signals:
    void woke();
};
