#pragma once

#include "StatusOptions.h"
#include "StatusReader.h"

#include <QCoroTask>
#include <QObject>
#include <QTimer>

// Reads the usage once and finishes with the reading's exit code, or, with --watch, reads
// it again each interval after the previous reading ended, for as long as it runs. Either
// way it finishes with exit 1 as soon as standard output cannot be written.
class StatusCommand : public QObject
{
    Q_OBJECT

public:
    StatusCommand(const StatusOptions& options, const QString& dataFolder,
                  QObject* parent = nullptr);

    void start();

signals:
    void finished(int exitCode); // while watching, only when the output failed

private:
    QCoro::Task<> readOnce();
    // Whether standard output took the reading's line.
    bool print(const StatusReading& reading) const;

    StatusOptions m_options;
    StatusReader m_reader;
    QTimer m_timer;
};
