#pragma once

#include "PathRule.h"
#include "model/Expected.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the command line asks of the demo service.
struct DemoOptions
{
    QString address = QStringLiteral("127.0.0.1");
    int port = 0; // 0: any free port
    double speed = 1;
    QStringList sessionKeys;
    std::optional<int> cross80After;
    std::optional<int> expireAfter;
    QList<PathRule> statuses;
    QList<PathRule> delays;
    bool helpRequested = false;

    // The options, or a one-line reason why the command line is not usable.
    static Expected<DemoOptions, QString> fromArguments(const QStringList& arguments);
    static QString helpText();
};
