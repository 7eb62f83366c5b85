#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal. The handler only writes one byte to a pipe
// (all it may safely do); the event loop reads it and emits received(). One per process.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void received();

private:
    QSocketNotifier* m_notifier = nullptr;
};
