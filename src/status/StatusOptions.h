#pragma once

#include "model/Expected.h"

#include <QString>
#include <QStringList>
#include <chrono>

// What pallowe-status was asked to do. Options take their value after "=", like pallowe's.
struct StatusOptions
{
    enum class Format
    {
        Text,
        Json,
        Waybar
    };

    Format format = Format::Text;
    bool watch = false;
    std::chrono::seconds refreshInterval{300};
    QString serviceOrigin;
    bool helpRequested = false;
    bool versionRequested = false;

    // The options, or the Italian text of what is wrong with them; the first argument is the
    // program itself.
    static Expected<StatusOptions, QString> parse(const QStringList& arguments);

    static QString usageLine();
    static QString helpText();
    static QString versionLine(); // "pallowe-status 1.2.3"
};
