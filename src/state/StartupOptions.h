#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// The command-line options the program understands. Every argument is matched, the
// program's own path included; the last occurrence of an option wins.
struct StartupOptions
{
    std::optional<QString> sessionKey;                   // "--sk="
    std::optional<QString> orgId;                        // "--org-id="
    std::optional<QString> orgName;                      // "--org-name="
    std::optional<QString> serviceOrigin;                // "--service-origin=", validated
    std::optional<std::chrono::seconds> refreshInterval; // "--refresh-interval=", validated
    QStringList warnings;                                // one line per ignored option value

    static StartupOptions parse(const QStringList& arguments);

    // What the program runs with: the option's value, or the default without one.
    QString serviceOriginOrDefault() const;
    std::chrono::milliseconds refreshIntervalOrDefault() const;

    // "scheme://host[:port]" with scheme http or https and nothing else, without a trailing
    // slash; nothing when the text is not such an origin.
    static std::optional<QString> normalizedOrigin(const QString& text);
    // A whole number of seconds a timer can wait, digits only; nothing otherwise.
    static std::optional<std::chrono::seconds> intervalSeconds(const QString& text);
};
