#pragma once

#include "model/Expected.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// What pallowe-status was asked to do. Options take their value after "=", like pallowe's.
struct StatusOptions
{
    enum class Format
    {
        Text,
        Json,
        Waybar,
        Csv // --history only
    };

    static constexpr int kDefaultHistoryDays = 7;
    static constexpr int kMaximumHistoryDays = 90; // as long as history.sqlite keeps them

    Format format = Format::Text;
    bool watch = false;
    std::optional<int> historyDays; // --history: print the stored readings of these days
    std::chrono::seconds refreshInterval{300};
    QString serviceOrigin;
    bool helpRequested = false;
    bool versionRequested = false;

    // The options, or the Italian text of what is wrong with them; the first argument is the
    // program itself.
    static Expected<StatusOptions, QString> parse(const QStringList& arguments);

    static QString usageLine();
    static QString helpText();
    static constexpr const char* kProgram = "pallowe-status";
    static QString versionLine(); // "pallowe-status 1.2.3"

private:
    // These options with the format given (or the default), when the two go together.
    Expected<StatusOptions, QString> withFormat(std::optional<Format> given) const;
};
